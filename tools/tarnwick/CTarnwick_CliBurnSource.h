#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One source named on the command line of `tarnwick burn`, and what it becomes on the disc:
// - Raw: a raw disc image described by an .mds file (the whole CD Session-At-Once);
// - Image: an ISO9660 or UDF image file, a data track of its bytes as they are;
// - Sound: a music file the audio library decodes, an audio track;
// - Tree: any other file, and every directory, mastered into the one data track of the
//   file tree (a file lands in the root, a directory contributes its contents to it).
class CTarnwick_CliBurnSource {
public:
    enum class Kind { Raw, Image, Sound, Tree };

    // Tells what p__string__Path is. False with p__string__Error set when it does not exist or
    // cannot be read.
    bool Classify(const std::string& p__string__Path, std::string& p__string__Error);

    // True when the file holds an ISO9660 or UDF volume: "CD001", "BEA01", "NSR02" or "NSR03"
    // as the identifier of a volume descriptor from sector 16 on (2048-byte sectors).
    static bool IsVolumeImage(const std::string& p__string__Path);
    // True when the file is an .mds descriptor: its name ends in ".mds" (any case) or it starts
    // with the descriptor's signature.
    static bool IsRawDescriptor(const std::string& p__string__Path);
    // The decoded size in bytes of a music file (CD-DA PCM); false when it does not decode.
    static bool DecodedSize(const std::string& p__string__Path, uint64_t& p__Size);

    const std::string& Path() const { return m__string__Path; }
    Kind GetKind() const { return m__Kind; }
    bool IsDirectory() const { return m__bool__IsDirectory; }
    // Bytes of the track's payload: the image's size, the decoded PCM; 0 for a tree source.
    uint64_t Bytes() const { return m__Bytes; }
    // Blocks of the track: 2048-byte blocks of data, 2352-byte blocks of sound.
    uint64_t Blocks() const;
    // "raw", "image", "audio", "files".
    const char* KindName() const;

private:
    std::string m__string__Path;
    Kind m__Kind = Kind::Tree;
    bool m__bool__IsDirectory = false;
    uint64_t m__Bytes = 0;
};
