#pragma once
#include <string>
#include <vector>

#include "CTarnwick_CliFailure.h"

class CTarnwick_CliReporter;

// Masters local files and directories as a UDF 1.02 image, or as a DVD-Video UDF/ISO9660
// bridge, through the UDF flat functions: it walks the sources itself, upper-cases the names
// and makes those that meet unique, makes one tree item per entry, lays VIDEO_TS out in DVD
// order with the sector numbers of its IFO and BUP files set, and masters the image.
class CTarnwick_CliUdfMaster {
public:
    struct Job {
        std::string m__string__Label;
        std::vector<std::string> m__Sources;
        bool m__bool__Bridge = false;        // DVD-Video: VIDEO_TS and AUDIO_TS on an ISO9660 side too
        bool m__bool__IgnoreErrors = false;  // skip what cannot be read instead of failing
    };
    struct Counts {
        unsigned long m__ulong__Added = 0;
        unsigned long m__ulong__Renamed = 0;
        unsigned long m__ulong__Skipped = 0;
    };

    // p__Reporter tells skipped and renamed entries.
    CTarnwick_CliUdfMaster(const Job& p__Job, CTarnwick_CliReporter& p__Reporter);
    ~CTarnwick_CliUdfMaster();
    CTarnwick_CliUdfMaster(const CTarnwick_CliUdfMaster&) = delete;
    CTarnwick_CliUdfMaster& operator=(const CTarnwick_CliUdfMaster&) = delete;

    // Masters the image: 0, or the failure number with the failure in Failure(). The image is
    // then read through Tree() with the file-tree functions until this object is destroyed.
    int Master();
    void* Tree() const;
    unsigned long Sectors() const;
    const Counts& GetCounts() const { return m__Counts; }
    const CTarnwick_CliFailure& Failure() const { return m__Failure; }

private:
    struct Node;
    struct Image;
    bool AddContents(const std::string& p__string__Directory, Node* p__PNode,
                     std::vector<std::pair<unsigned long long, unsigned long long>>* p__PAncestors);
    bool AddEntry(const std::string& p__string__Name, const std::string& p__string__Path, Node* p__PNode,
                  std::vector<std::pair<unsigned long long, unsigned long long>>* p__PAncestors);
    bool Skip(const std::string& p__string__Path, const std::string& p__string__Why);
    void Arrange(Node* p__PNode, bool p__bool__DvdOrder);
    int Fail(ULONG p__ULONG__Number, const std::string& p__string__Text);

    const Job& m__Job;
    CTarnwick_CliReporter& m__Reporter;
    Counts m__Counts;
    unsigned long m__ulong__CollisionNumber = 0;
    CTarnwick_CliFailure m__Failure;
    Image* m__PImage = nullptr;
};
