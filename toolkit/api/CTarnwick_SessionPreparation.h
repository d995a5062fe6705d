#pragma once
// The tracks of a session descriptor made ready for Session-At-Once writing by the flat
// function, and put back as the caller gave them afterwards.
#include <memory>
#include <vector>

#include "CTarnwick_File.h"
#include "tarnwick_types.h"

class CTarnwick_SessionPreparation {
public:
    // Takes the descriptor as it stands; nothing is changed before Prepare.
    CTarnwick_SessionPreparation(PSESSION_DESCRIPTOR p__PSESSION_DESCRIPTOR__Session, const char* p__PCHAR__Function);
    // Deletes the wrappers, sources and carrier trees it made and gives every entry's tree
    // field back the value the caller had put there.
    ~CTarnwick_SessionPreparation();
    CTarnwick_SessionPreparation(const CTarnwick_SessionPreparation&) = delete;
    CTarnwick_SessionPreparation& operator=(const CTarnwick_SessionPreparation&) = delete;

    // Clears the flags, sources and wrappers of every entry; gives every entry with a file
    // name a byte source (a sound file is decoded, the entry marked sound) carried by a tree
    // of its own; rewinds the images of the caller's trees; with Mode 2 Form 1 exactly 1
    // wraps the tree of every data entry into 2336-byte Mode 2 Form 1 sectors; and sets the
    // gap after the last entry to 600 blocks.
    void Prepare(BOOLEAN p__BOOLEAN__IsMode2Form1);

    // The byte source of a file given by name: decoded by the audio library when it takes
    // the file (*p__Pbool__IsSound then true), else the file's bytes; null when no memory is
    // left. Without the media runtime a file cannot be told to be sound or not: refused.
    static std::unique_ptr<CTarnwick_File> MakeSource(const char* p__PCHAR__FileName, const char* p__PCHAR__Function,
                                                      bool* p__Pbool__IsSound);
    // Whether the audio library decodes the file (the first half of MakeSource), and the
    // source of a file whose kind is known (the second half).
    static bool IsSoundFile(const char* p__PCHAR__FileName, const char* p__PCHAR__Function);
    static std::unique_ptr<CTarnwick_File> MakeSource(const char* p__PCHAR__FileName, bool p__bool__IsSound);

private:
    PSESSION_DESCRIPTOR m__PSESSION_DESCRIPTOR__Session;
    const char* m__PCHAR__Function;
    ULONG m__ULONG__Tracks;
    std::vector<PVOID> m__CallerTrees;  // every entry's tree field as the caller gave it
    bool m__bool__IsPrepared = false;
};
