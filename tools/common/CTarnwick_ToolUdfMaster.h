#pragma once
#include <string>
#include <utility>
#include <vector>

#include "CTarnwick_ToolMasteringListener.h"
#include "tarnwick.h"

// Masters local files and directories as a UDF 1.02 image, or as a DVD-Video UDF/ISO9660
// bridge, on the UDF flat functions alone; tarnwick master and tarnwick-mkiso both use it. It
// walks the sources, upper-cases the names and makes those that meet unique, makes one tree
// item per entry, lays VIDEO_TS out in DVD order with the sector numbers of its IFO and BUP
// files set, and masters the image, whose chain is then read through Tree() with the file-tree
// functions. The items and the system structures lie in blocks backed by huge pages where the
// system has them, faulted in by a second thread while the items are made.
class CTarnwick_ToolUdfMaster {
public:
    struct Job {
        std::string m__string__Label;
        std::vector<std::string> m__Sources;
        bool m__bool__Bridge = false;        // DVD-Video: VIDEO_TS and AUDIO_TS on an ISO9660 side too
        bool m__bool__IgnoreErrors = false;  // skip what cannot be read instead of failing
    };
    using Listener = CTarnwick_ToolMasteringListener;
    using Counts = CTarnwick_ToolMasteringListener::Counts;

    CTarnwick_ToolUdfMaster(const Job& p__Job, Listener& p__Listener);
    ~CTarnwick_ToolUdfMaster();
    CTarnwick_ToolUdfMaster(const CTarnwick_ToolUdfMaster&) = delete;
    CTarnwick_ToolUdfMaster& operator=(const CTarnwick_ToolUdfMaster&) = delete;

    // Masters the image: 0, or the toolkit's failure number with the text in FailureText().
    // The toolkit must be started.
    ULONG Master();
    const std::string& FailureText() const { return m__string__Failure; }
    // The container tree of the mastered image (valid while this object lives), and its size.
    PVOID Tree() const;
    unsigned long Sectors() const;
    const Counts& GetCounts() const { return m__Counts; }

private:
    struct Node;
    struct Image;
    using Identity = std::pair<unsigned long long, unsigned long long>;
    bool AddContents(const std::string& p__string__Directory, Node* p__PNode, std::vector<Identity>* p__PAncestors);
    bool AddEntry(const std::string& p__string__Name, const std::string& p__string__Path, bool p__bool__IsDirectory,
                  const Identity& p__Identity, Node* p__PNode, std::vector<Identity>* p__PAncestors);
    bool Skip(const std::string& p__string__Path, const std::string& p__string__Why);
    void Arrange(Node* p__PNode, bool p__bool__DvdOrder);
    ULONG Fail(ULONG p__ULONG__Number, const std::string& p__string__Text);

    const Job& m__Job;
    Listener& m__Listener;
    Counts m__Counts;
    unsigned long m__ulong__CollisionNumber = 0;
    ULONG m__ULONG__Failure = 0;
    std::string m__string__Failure;
    Image* m__PImage = nullptr;
};
