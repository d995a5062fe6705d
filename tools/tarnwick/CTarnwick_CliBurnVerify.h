#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "CTarnwick_CliFailure.h"

class CTarnwick_CliDrive;
class CTarnwick_CliBurnTree;

// Reads the tracks a burn wrote back from the disc and compares them with what was meant to
// be written: an image file's bytes, the built image of the file tree, or the decoded PCM of
// a music file (2352-byte blocks), each padded with zeros to its last block. A difference is
// a failure (number 10) naming the track and the first byte that differs.
class CTarnwick_CliBurnVerify {
public:
    enum class Source { File, Tree, Sound };
    struct Track {
        int m__int__Number = 0;  // on the disc
        Source m__Source = Source::File;
        std::string m__string__Path;             // File, Sound
        CTarnwick_CliBurnTree* m__Tree = nullptr;  // Tree
        uint64_t m__Blocks = 0;
    };

    // The blocks of every track, for the phase's total.
    static uint64_t TotalBlocks(const std::vector<Track>& p__Tracks);
    // Grabs each track through the drive into a scratch file and compares it. On a
    // difference or a failed read, false with *p__Failure filled. p__Progress is told the
    // blocks done before each track.
    static bool Run(CTarnwick_CliDrive& p__Drive, const std::vector<Track>& p__Tracks, void (*p__Progress)(void*, uint64_t),
                    void* p__PVOID__Context, CTarnwick_CliFailure* p__Failure);

    // The offset of the first byte where a and b differ within p__Length, or -1.
    static long long FirstDifference(const unsigned char* p__A, const unsigned char* p__B, size_t p__Length);
};
