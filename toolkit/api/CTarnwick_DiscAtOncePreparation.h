#pragma once
// The tracks of a Disc-At-Once disc made ready by the flat functions: the caller's files
// (or a built tree's image) as one stream of cooked blocks, the track list that describes
// them, and the raw track source that expands them into the raw blocks the engine writes.
#include <memory>
#include <vector>

#include "CTarnwick_File.h"
#include "CTarnwick_FileChain.h"
#include "tarnwick_types.h"

class CTarnwick_DiscAtOncePreparation {
public:
    explicit CTarnwick_DiscAtOncePreparation(const char* p__PCHAR__Function);
    ~CTarnwick_DiscAtOncePreparation();
    CTarnwick_DiscAtOncePreparation(const CTarnwick_DiscAtOncePreparation&) = delete;
    CTarnwick_DiscAtOncePreparation& operator=(const CTarnwick_DiscAtOncePreparation&) = delete;

    // Every entry's file becomes a track: a file the audio library decodes a CD-DA track,
    // any other a data track. A second data track, and a data track after a sound track,
    // are refused (number 2) before any file is read. Fills every entry's start, size,
    // number and kind; a file that ends inside a block is padded with zeros.
    void PrepareFiles(PDISC_AT_ONCE_TRACK_LIST p__PDISC_AT_ONCE_TRACK_LIST__Tracks, BOOLEAN p__BOOLEAN__IsMode2Form1);
    // One data track: the image of a built tree, from its start.
    void PrepareImage(CTarnwick_FileChain* p__PCTarnwick_FileChain__Image, BOOLEAN p__BOOLEAN__IsMode2Form1);

    // The raw track source over the prepared tracks: 2448-byte blocks with raw P-W
    // sub-channel, else 2368-byte blocks with P and Q. It lives as long as the preparation.
    CTarnwick_FileChain* MakeRawTrack(bool p__bool__IsRawPW, BOOLEAN p__BOOLEAN__IsMode2Form1);
    const DISC_AT_ONCE_TRACK_LIST* List() const { return m__PDISC_AT_ONCE_TRACK_LIST__Tracks; }

private:
    // Sets an entry's place, size and kind after the entries before it.
    void Place(ULONG p__ULONG__Index, uint64_t p__ULONGLONG__Bytes, bool p__bool__IsData, BOOLEAN p__BOOLEAN__IsMode2Form1);

    const char* m__PCHAR__Function;
    PDISC_AT_ONCE_TRACK_LIST m__PDISC_AT_ONCE_TRACK_LIST__Tracks = nullptr;
    std::unique_ptr<DISC_AT_ONCE_TRACK_LIST> m__OwnList;  // the list of a tree's image
    std::vector<std::unique_ptr<CTarnwick_File>> m__Sources;  // the files and the zeros that pad them
    CTarnwick_FileChain m__Cooked;
    CTarnwick_FileChain* m__PCTarnwick_FileChain__Cooked = nullptr;
    std::unique_ptr<CTarnwick_FileChain> m__RawTrack;
};
