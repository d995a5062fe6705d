#pragma once
#include <string>
#include <vector>

#include "tarnwick_types.h"

// The output of one grab: new files beside the asked name, renamed over it only when the
// grab has succeeded. Until then a file that already has the name is left alone, and a
// grab that fails (or is cancelled) leaves nothing behind.
// With a part size the bytes go into parts of that many bytes (the last may be shorter)
// named after the asked name with ".001", ".002"... added; every part is put in place only
// when the whole grab has succeeded.
class CTarnwick_GrabOutput {
public:
    // Creates the (first) file; number 5 with p__PCHAR__Name's CreateFile text on failure.
    CTarnwick_GrabOutput(const char* p__PCHAR__Name, const char* p__PCHAR__Path, ULONGLONG p__ULONGLONG__PartSize = 0);
    ~CTarnwick_GrabOutput();
    CTarnwick_GrabOutput(const CTarnwick_GrabOutput&) = delete;
    CTarnwick_GrabOutput& operator=(const CTarnwick_GrabOutput&) = delete;

    // Writes the bytes (into the next part when the current one is full): number 5 for a
    // failed write, 10 for a short one, with p__PCHAR__What after "WriteFile(" in the text.
    void Write(const char* p__PCHAR__Name, const char* p__PCHAR__What, const UCHAR* p__PUCHAR__Data, ULONG p__ULONG__Length);
    // Writes the open file through to the disk: number 5 "FlushFileBuffers() failed".
    void Flush(const char* p__PCHAR__Name);
    // Flushes and closes the files and renames them over their names. A failure of any step
    // raises number 5: data that may not have reached the disk is no success.
    void Publish(const char* p__PCHAR__Name);

    // The name of part p__ULONG__Index (from 1): the path with ".001" and so on added.
    static std::string PartName(const std::string& p__string__Path, ULONG p__ULONG__Index);
    ULONG PartCount() const { return static_cast<ULONG>(m__Files.size()); }

private:
    struct FILE_ENTRY {
        std::string m__string__Path;
        std::string m__string__Temporary;
    };
    void Open(const char* p__PCHAR__Name, const std::string& p__string__Path);
    void WriteSome(const char* p__PCHAR__Name, const char* p__PCHAR__What, const UCHAR* p__PUCHAR__Data,
                   ULONG p__ULONG__Length, ULONG p__ULONG__Asked);
    bool CloseCurrent();

    std::string m__string__Path;
    ULONGLONG m__ULONGLONG__PartSize;
    ULONGLONG m__ULONGLONG__InPart = 0;
    std::vector<FILE_ENTRY> m__Files;
    int m__INT__Handle = -1;
    bool m__bool__IsPublished = false;
};
