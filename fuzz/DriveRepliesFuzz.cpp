// The drive queries on a drive whose every reply is the input's: opening the drive (its
// INQUIRY, configuration and mode pages), then any run of the queries a program makes (disc
// and track information, the TOC, capabilities, speeds, write and read modes, buffer
// underrun protection). Any reply, short, long, contradictory or a CHECK CONDITION with any
// sense, gives an answer or a failure number with its text, never a crash or a read past a reply.
#include <cstring>
#include <memory>
#include <vector>

#include "AspiHostAdapterTable.h"
#include "FakeClock.h"
#include "FuzzInput.h"
#include "FuzzReplyBackend.h"
#include "FuzzScratch.h"
#include "tarnwick.h"

namespace {

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

// What a failing call reports, in buffers of the input's size so that a text written past its
// buffer is seen.
struct Report {
    explicit Report(size_t p__size_t__TextSize) : m__Text(p__size_t__TextSize == 0 ? 1 : p__size_t__TextSize, '\x7F') {}
    PCHAR Text() { return m__Text.data(); }
    ULONG Size() const { return static_cast<ULONG>(m__Text.size()); }
    void Check(ULONG p__ULONG__Result) const {
        // A failure's text is cut to the buffer and ends in its terminator.
        if (p__ULONG__Result != 0) FUZZ_CHECK(std::memchr(m__Text.data(), 0, m__Text.size()) != nullptr);
    }
    std::vector<char> m__Text;
    ULONG m__ULONG__SystemError = 0;
    CDB_FAILURE_INFORMATION m__Info{};
};

void Query(PVOID p__PVOID__Burner, FuzzInput& p__Input, Report& p__Report) {
    PCHAR l__Text = p__Report.Text();
    const ULONG l__Size = p__Report.Size();
    PULONG l__Error = &p__Report.m__ULONG__SystemError;
    PCDB_FAILURE_INFORMATION l__Info = &p__Report.m__Info;
    BOOLEAN l__B[10] = {};
    ULONG l__U[4] = {};
    switch (p__Input.Byte() % 11) {
        case 0: {
            auto l__Disc = std::make_unique<DISC_INFORMATION>();
            p__Report.Check(Tarnwick_CdvdBurnerGrabber_GetDiscInformation(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, l__Disc.get()));
            break;
        }
        case 1: {
            auto l__Track = std::make_unique<TRACK_INFORMATION>();
            p__Report.Check(Tarnwick_CdvdBurnerGrabber_GetTrackInformation(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, p__Input.Byte(), l__Track.get()));
            break;
        }
        case 2: {
            auto l__Toc = std::make_unique<TOC_INFORMATION>();
            const ULONG l__ULONG__Result = Tarnwick_CdvdBurnerGrabber_ReadTOC(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, l__Toc.get());
            p__Report.Check(l__ULONG__Result);
            if (l__ULONG__Result == 0 && l__Toc->m__UCHAR__IsValid) FUZZ_CHECK(l__Toc->m__UCHAR__NumberOfTracks <= TOC_MAXIMUM_TRACKS);
            break;
        }
        case 3:
            Tarnwick_CdvdBurnerGrabber_GetDeviceCapabilities(p__PVOID__Burner, &l__B[0], &l__B[1], &l__B[2], &l__B[3], &l__B[4], &l__B[5], &l__B[6], &l__B[7],
                                                             &l__B[8], &l__B[9]);
            break;
        case 4: {
            char l__Vendor[17], l__Product[17], l__Revision[17];  // identity strings are at most 16 characters
            ULONG l__ULONG__Buffer = 0;
            Tarnwick_CdvdBurnerGrabber_GetDeviceInformation(p__PVOID__Burner, l__Vendor, l__Product, l__Revision, &l__ULONG__Buffer);
            break;
        }
        case 5: Tarnwick_CdvdBurnerGrabber_GetInsertedDiscType(p__PVOID__Burner); break;
        case 6:
            p__Report.Check(Tarnwick_CdvdBurnerGrabber_GetSpeeds(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, &l__U[0], &l__U[1], &l__U[2], &l__U[3]));
            break;
        case 7: Tarnwick_CdvdBurnerGrabber_GetSupportedMediaFormatsEx(p__PVOID__Burner, &l__B[0], &l__B[1], &l__B[2], &l__B[3]); break;
        case 8:
            p__Report.Check(Tarnwick_CdvdBurnerGrabber_ProbeSupportedReadModes(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, &l__B[0], &l__B[1], &l__B[2],
                                                                               &l__B[3], &l__B[4], &l__B[5]));
            break;
        case 9:
            p__Report.Check(Tarnwick_CdvdBurnerGrabber_ProbeSupportedWriteModes(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, &l__B[0], &l__B[1], &l__B[2],
                                                                                &l__B[3]));
            break;
        default: p__Report.Check(Tarnwick_CdvdBurnerGrabber_GetBUP(p__PVOID__Burner, l__Text, l__Size, l__Error, l__Info, &l__B[0], &l__B[1])); break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static FakeClock s__Clock;  // the toolkit's waits for a drive pass at once
    if (Tarnwick_UpStart() != 0) FuzzFail("the toolkit did not start");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    Report l__Report(l__Input.Below(300));
    auto l__Owned = std::make_unique<FuzzReplyBackend>(l__Input);
    std::vector<std::unique_ptr<AspiBackend>> l__Backends;
    l__Backends.push_back(std::move(l__Owned));
    AspiHostAdapterTable::Instance().Install(std::move(l__Backends));
    PVOID l__PVOID__Burner = nullptr;
    const ULONG l__ULONG__Created = Tarnwick_CdvdBurnerGrabber_Create(&l__PVOID__Burner, l__Report.Text(), l__Report.Size(), &l__Report.m__ULONG__SystemError,
                                                                      &l__Report.m__Info, Ignore, nullptr, 0, 0, 0, 0, 1);
    l__Report.Check(l__ULONG__Created);
    if (l__ULONG__Created == 0) {
        FUZZ_CHECK(l__PVOID__Burner != nullptr);
        for (uint32_t l__ULONG__Queries = 0; !l__Input.Empty() && l__ULONG__Queries < 16; ++l__ULONG__Queries) Query(l__PVOID__Burner, l__Input, l__Report);
        Tarnwick_Destroy(&l__PVOID__Burner);
    }
    AspiHostAdapterTable::Instance().Install({});
    return 0;
}
