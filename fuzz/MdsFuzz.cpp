// The MDS descriptor parser (and the image-file recognisers that look at the same file): any
// descriptor is parsed or refused with one of its statuses, never read past what it holds.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "FuzzScratch.h"
#include "TarnwickI_ImageFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p__PUCHAR__Data, size_t p__size_t__Size) {
    FuzzInput l__Input(p__PUCHAR__Data, p__size_t__Size);
    // The image beside the descriptor, of a size the input chooses (sparse), for tracks whose
    // size the descriptor leaves to the image.
    const FuzzScratch& l__Scratch = FuzzScratch::Instance();
    const std::string l__string__Image = l__Scratch.Write("disc.mdf", {});
    if (::truncate(l__string__Image.c_str(), static_cast<off_t>(l__Input.Below(4u << 20)) * 2448 / 64) != 0) FuzzFail("cannot size the image");
    const std::vector<uint8_t> l__Descriptor = l__Input.Rest();
    const std::string l__string__Mds = l__Scratch.Write("disc.mds", l__Descriptor);
    const std::string l__string__Directory = l__Scratch.Path() + "/";

    auto l__Session = std::make_unique<SESSION_DESCRIPTOR>();
    std::memset(l__Session.get(), 0xA5, sizeof(SESSION_DESCRIPTOR));
    UCHAR l__UCHAR__Kind = 0xEE;
    std::vector<char> l__ImageName(MDS_IMAGE_FILE_NAME_SIZE, 'x');
    const ULONG l__ULONG__Status = TarnwickI_ParseMDS(l__string__Mds.c_str(), l__Session.get(), &l__UCHAR__Kind, l__ImageName.data(),
                                                      l__string__Directory.c_str());
    if (l__ULONG__Status == MDS_STATUS_SUCCESS) {
        FUZZ_CHECK(l__Session->m__ULONG__NumberOfTracks <= SESSION_MAXIMUM_TRACKS);
        FUZZ_CHECK(l__Session->m__ULONG__NumberOfRawTracks <= SESSION_MAXIMUM_TRACKS);
        FUZZ_CHECK(l__UCHAR__Kind == 1 || l__UCHAR__Kind == 2);
        FUZZ_CHECK(std::memchr(l__ImageName.data(), 0, l__ImageName.size()) != nullptr);
    } else {
        FUZZ_CHECK(l__ULONG__Status == MDS_STATUS_BAD_FORMAT || l__ULONG__Status == MDS_STATUS_INCOMPLETE ||
                   l__ULONG__Status == MDS_STATUS_EXCEPTION || (l__ULONG__Status > 0 && l__ULONG__Status < 200));
    }
    UCHAR l__UCHAR__Mode = 0xEE;
    const BOOLEAN l__BOOLEAN__Mdf = TarnwickI_IsMDF(l__Scratch.Write("probe.mdf", l__Descriptor).c_str(), &l__UCHAR__Mode);
    FUZZ_CHECK(l__BOOLEAN__Mdf == 0 || l__BOOLEAN__Mdf == 1);
    FUZZ_CHECK(l__BOOLEAN__Mdf ? l__UCHAR__Mode <= 3 : l__UCHAR__Mode == 0xEE);
    FUZZ_CHECK(TarnwickI_IsISO(l__string__Mds.c_str()) <= 1);
    return 0;
}
