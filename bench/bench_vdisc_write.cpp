// Writing a 1 GiB track to the virtual recorder through SendASPI32Command in 61,440-byte
// WRITEs, measured side by side with `cat` copying a 1 GiB file on the same file system.
// The target: the recorder takes at most 1.5 times as long as cat.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "AspiHostAdapterTable.h"
#include "VdiscStore.h"
#include "wnaspi32.h"

namespace {

constexpr uint64_t ONE_GIB = 1024ull * 1024ull * 1024ull;

const std::string& Dir() {
    static const std::string s__Dir = [] {
        const char* l__PCHAR__Base = std::getenv("TARNWICK_BENCH_DIR");
        std::string l__string__Template = std::string(l__PCHAR__Base != nullptr ? l__PCHAR__Base : "/tmp") + "/vdisc-bench-XXXXXX";
        std::vector<char> l__Buffer(l__string__Template.begin(), l__string__Template.end());
        l__Buffer.push_back('\0');
        if (mkdtemp(l__Buffer.data()) == nullptr) std::abort();
        return std::string(l__Buffer.data());
    }();
    return s__Dir;
}

bool Write(int32_t p__LONG__Lba, uint32_t p__ULONG__Blocks, uint8_t* p__PUCHAR__Data) {
    SRB_ExecSCSICmd l__Srb{};
    l__Srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    l__Srb.SRB_Flags = SRB_DIR_OUT;
    l__Srb.SRB_BufLen = p__ULONG__Blocks * 2048;
    l__Srb.SRB_BufPointer = p__PUCHAR__Data;
    l__Srb.SRB_SenseLen = SENSE_LEN;
    l__Srb.SRB_CDBLen = 10;
    const uint32_t l__ULONG__Lba = static_cast<uint32_t>(p__LONG__Lba);
    const uint8_t l__UCHAR__Cdb[10] = {0x2A, 0, static_cast<uint8_t>(l__ULONG__Lba >> 24), static_cast<uint8_t>(l__ULONG__Lba >> 16),
                                       static_cast<uint8_t>(l__ULONG__Lba >> 8), static_cast<uint8_t>(l__ULONG__Lba), 0,
                                       static_cast<uint8_t>(p__ULONG__Blocks >> 8), static_cast<uint8_t>(p__ULONG__Blocks), 0};
    std::copy(l__UCHAR__Cdb, l__UCHAR__Cdb + 10, l__Srb.CDBByte);
    return SendASPI32Command(&l__Srb) == SS_COMP;
}

void VirtualRecorderWrite1GiB(benchmark::State& p__State) {
    const std::string l__string__Disc = Dir() + "/disc";
    std::vector<uint8_t> l__Packet(61440);
    for (size_t l__size_t__I = 0; l__size_t__I < l__Packet.size(); ++l__size_t__I) l__Packet[l__size_t__I] = static_cast<uint8_t>(l__size_t__I * 31);
    for (auto _ : p__State) {
        p__State.PauseTiming();
        std::string l__string__Error;
        ::unlink(l__string__Disc.c_str());
        if (!VdiscStore::Create(l__string__Disc, VdiscState::Blank(VdiscMediumKind::DvdPlusR), l__string__Error)) {
            p__State.SkipWithError(l__string__Error.c_str());
            return;
        }
        setenv("TARNWICK_DRIVES", ("virtual:" + l__string__Disc).c_str(), 1);
        AspiHostAdapterTable::Instance().Reset();
        p__State.ResumeTiming();
        int32_t l__LONG__Lba = 0;
        for (uint64_t l__ULONGLONG__Done = 0; l__ULONGLONG__Done < ONE_GIB;) {
            const uint32_t l__ULONG__Blocks = static_cast<uint32_t>(std::min<uint64_t>(30, (ONE_GIB - l__ULONGLONG__Done) / 2048));
            if (!Write(l__LONG__Lba, l__ULONG__Blocks, l__Packet.data())) {
                p__State.SkipWithError("WRITE(10) failed");
                return;
            }
            l__LONG__Lba += static_cast<int32_t>(l__ULONG__Blocks);
            l__ULONGLONG__Done += l__ULONG__Blocks * 2048ull;
        }
    }
    p__State.SetBytesProcessed(static_cast<int64_t>(p__State.iterations() * ONE_GIB));
    AspiHostAdapterTable::Instance().Reset();
    ::unlink(l__string__Disc.c_str());
}

void CatCopy1GiB(benchmark::State& p__State) {
    const std::string l__string__Source = Dir() + "/source", l__string__Copy = Dir() + "/copy";
    if (std::system(("head -c 1073741824 /dev/urandom > '" + l__string__Source + "'").c_str()) != 0) {
        p__State.SkipWithError("cannot make the source file");
        return;
    }
    for (auto _ : p__State) {
        p__State.PauseTiming();
        ::unlink(l__string__Copy.c_str());
        p__State.ResumeTiming();
        if (std::system(("cat '" + l__string__Source + "' > '" + l__string__Copy + "'").c_str()) != 0) {
            p__State.SkipWithError("cat failed");
            return;
        }
    }
    p__State.SetBytesProcessed(static_cast<int64_t>(p__State.iterations() * ONE_GIB));
    ::unlink(l__string__Copy.c_str());
    ::unlink(l__string__Source.c_str());
}

}  // namespace

BENCHMARK(CatCopy1GiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(VirtualRecorderWrite1GiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ::rmdir(Dir().c_str());
    return 0;
}
