// The walk of a previous session's directories: a crafted image in the data track of a disc
// in the virtual recorder, imported into an ISO9660 or a Joliet tree, and the next session's
// image built from what was imported. The input is the track from block 16 (the volume
// descriptors) on. Any image is imported or refused with the toolkit's exception.
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "AspiHostAdapterTable.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_FileChain.h"
#include "CTarnwick_ISO9660FileTree.h"
#include "CTarnwick_JolietFileTree.h"
#include "CTarnwick_MemoryFile.h"
#include "FakeClock.h"
#include "FuzzImageBackend.h"
#include "FuzzInput.h"
#include "FuzzScratch.h"

namespace {

// Blocks of the data track burned once; a crafted image may point anywhere in it and beyond.
constexpr ULONG TRACK_BLOCKS = 600;
constexpr int32_t DESCRIPTORS_AT = 16;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

struct Drive {
    FakeClock m__Clock;  // the burn's waits for the drive pass at once
    FuzzImageBackend* m__Backend = nullptr;
    std::unique_ptr<CTarnwick_CdvdBurnerGrabber> m__Burner;
};

Drive& TheDrive() {
    static Drive* s__Drive = [] {
        auto* l__Drive = new Drive();
        const std::string l__string__Disc = FuzzScratch::Instance().Path() + "/previous-session.disc";
        auto l__Backend = std::make_unique<FuzzImageBackend>(l__string__Disc);
        l__Drive->m__Backend = l__Backend.get();
        std::vector<std::unique_ptr<AspiBackend>> l__Backends;
        l__Backends.push_back(std::move(l__Backend));
        AspiHostAdapterTable::Instance().Install(std::move(l__Backends));
        try {
            l__Drive->m__Burner = std::make_unique<CTarnwick_CdvdBurnerGrabber>(Ignore, nullptr, 0, 0, 0, 0, 1);
            // One closed data session, the next one allowed, as a disc to be added to.
            std::vector<uint8_t> l__Zeros(static_cast<size_t>(TRACK_BLOCKS) * 2048, 0);
            CTarnwick_MemoryFile l__Source(l__Zeros.data(), l__Zeros.size());
            CTarnwick_FileChain l__Chain;
            l__Chain.AddChainTail(&l__Source);
            l__Chain.SeekToBegin();
            l__Drive->m__Burner->TrackAtOnce(&l__Chain, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0);
            l__Drive->m__Burner->CloseSession();
        } catch (CTarnwick_Exception* l__Exception) {
            FuzzFail(l__Exception->GetExceptionText());
        }
        return l__Drive;
    }();
    return *s__Drive;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TheDrive();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    Drive& l__Drive = TheDrive();
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    const uint8_t l__UCHAR__Choice = l__Input.Byte();
    const std::vector<uint8_t> l__Image = l__Input.Rest();
    l__Drive.m__Backend->SetImage(DESCRIPTORS_AT, l__Image.data(), l__Image.size());
    const BOOLEAN l__BOOLEAN__Joliet = (l__UCHAR__Choice & 1) != 0;
    std::unique_ptr<CTarnwick_ISO9660FileTree> l__Tree;
    if (l__BOOLEAN__Joliet) l__Tree = std::make_unique<CTarnwick_JolietFileTree>(Ignore, nullptr, FALSE, FALSE, FALSE);
    else l__Tree = std::make_unique<CTarnwick_ISO9660FileTree>(Ignore, nullptr, FALSE, FALSE, FALSE);
    try {
        l__Drive.m__Burner->ImportTrack(l__Tree.get(), 1, l__BOOLEAN__Joliet);
        // The next session's image from the imported nodes (their data stays on the disc).
        if (l__UCHAR__Choice & 2)
            l__Tree->BuildImage(TRACK_BLOCKS + 11400 + 150, 0, FALSE, "NEXT", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
    } catch (CTarnwick_Exception* l__Exception) {
        delete l__Exception;
    }
    l__Drive.m__Backend->SetImage(DESCRIPTORS_AT, nullptr, 0);
    return 0;
}
