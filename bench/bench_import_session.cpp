// Importing a previous session of 20,000 files from the virtual recorder, measured beside
// two outside readers listing the same session (`xorriso -indev IMAGE -find /` and
// `isoinfo -l`). The target: the import takes at most 1 second.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "AspiBackendFactory.h"
#include "AspiHostAdapterTable.h"
#include "BenchProgram.h"
#include "CTarnwick_CdvdBurnerGrabber.h"
#include "CTarnwick_Exception.h"
#include "CTarnwick_ISO9660Image.h"
#include "CTarnwick_JolietFileTree.h"
#include "VdiscStore.h"

namespace {

constexpr ULONG DIRECTORIES = 100;
constexpr ULONG FILES_PER_DIRECTORY = 200;
constexpr double TARGET_SECONDS = 1.0;

void Ignore(ULONG, PVOID, PVOID, PVOID) {}

[[noreturn]] void Fail(const std::string& p__Text) {
    std::fprintf(stderr, "bench_import_session: %s\n", p__Text.c_str());
    std::exit(1);
}

std::string TextOf(CTarnwick_Exception* p__Exception) {
    std::string l__Text = p__Exception != nullptr ? p__Exception->GetExceptionText() : "NULL exception";
    delete p__Exception;
    return l__Text;
}

double Seconds(std::chrono::steady_clock::time_point p__Start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - p__Start).count();
}

}  // namespace

int main() {
    const std::string l__Dir = BenchProgram::ScratchDirectory("import-bench");
    if (l__Dir.empty()) Fail("no scratch directory");
    const std::string l__Disc = l__Dir + "/disc";
    const std::string l__Image = l__Dir + "/session.iso";
    std::string l__Error;
    if (!VdiscStore::Create(l__Disc, VdiscState::Blank(VdiscMediumKind::CdR), l__Error)) Fail(l__Error);
    std::vector<std::unique_ptr<AspiBackend>> l__Backends;
    l__Backends.push_back(AspiBackendFactory::Create({"virtual", l__Disc, "virtual:" + l__Disc}));
    if (!l__Backends.back()) Fail("the virtual recorder could not open " + l__Disc);
    AspiHostAdapterTable::Instance().Install(std::move(l__Backends));

    // The first session: 20,000 small files in 100 directories, with Joliet names.
    static const char s__CHAR__Contents[] = "contents of an old file\n";
    try {
        CTarnwick_CdvdBurnerGrabber l__Burner(Ignore, nullptr, 0, 0, 0, 0, 8);
        {
            CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
            for (ULONG l__ULONG__Directory = 0; l__ULONG__Directory < DIRECTORIES; ++l__ULONG__Directory) {
                CTarnwick_FileTreeNode* l__Root = l__Tree.GetRoot();
                char l__Name[64];
                std::snprintf(l__Name, sizeof(l__Name), "dir%03lu", static_cast<unsigned long>(l__ULONG__Directory));
                l__Tree.CreateFromRootVirtual(l__Name, CTarnwick_FileTree::TimeLastWrite, l__Root);
                CTarnwick_FileTreeNode* l__Folder = l__Tree.GetRoot()->GetFirstKid();
                while (l__Folder->GetNextSibling() != nullptr) l__Folder = l__Folder->GetNextSibling();
                for (ULONG l__ULONG__File = 0; l__ULONG__File < FILES_PER_DIRECTORY; ++l__ULONG__File) {
                    std::snprintf(l__Name, sizeof(l__Name), "f%05lu.txt", static_cast<unsigned long>(l__ULONG__File));
                    l__Tree.CreateFromRootMemoryChecked(s__CHAR__Contents, sizeof(s__CHAR__Contents) - 1, l__Name,
                                                        CTarnwick_FileTree::TimeLastWrite, l__Folder);
                }
            }
            l__Tree.BuildImage(0, 0, FALSE, "OLDSESSION", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr);
            // The same bytes go to the disc and, for the outside readers, to a file.
            std::vector<char> l__Bytes(l__Tree.GetImage()->GetSize());
            l__Tree.GetImage()->SeekToBegin();
            l__Tree.GetImage()->Read(l__Bytes.size(), l__Bytes.data());
            std::ofstream(l__Image, std::ios::binary).write(l__Bytes.data(), static_cast<std::streamsize>(l__Bytes.size()));
            l__Tree.GetImage()->SeekToBegin();
            l__Burner.TrackAtOnce(l__Tree.GetImage(), FALSE, FALSE, TRUE, 0, 0, 1, 0, 0, 0, 0);
            l__Burner.CloseSession();
        }

        // The import, best of three.
        double l__Best = 1e9;
        ULONG l__ULONG__Nodes = 0;
        for (int l__int__Round = 0; l__int__Round < 3; ++l__int__Round) {
            CTarnwick_JolietFileTree l__Tree(Ignore, nullptr, FALSE, FALSE, FALSE);
            auto l__Start = std::chrono::steady_clock::now();
            l__Burner.ImportTrack(&l__Tree, 1, TRUE);
            l__Best = std::min(l__Best, Seconds(l__Start));
            l__ULONG__Nodes = l__Tree.GetNodeCount();
        }
        const ULONG l__ULONG__Expected = 1 + DIRECTORIES + DIRECTORIES * FILES_PER_DIRECTORY;
        if (l__ULONG__Nodes != l__ULONG__Expected) {
            Fail("imported " + std::to_string(l__ULONG__Nodes) + " nodes, not " + std::to_string(l__ULONG__Expected));
        }
        BenchProgram::Run l__Xorriso =
            BenchProgram::Spawn({"xorriso", "-indev", l__Image, "-find", "/"}, l__Dir + "/xorriso.out", {});
        BenchProgram::Run l__Isoinfo = BenchProgram::Spawn({"isoinfo", "-l", "-i", l__Image}, l__Dir + "/isoinfo.out", {});
        std::printf("previous session of %lu files (%lu nodes), imported from the virtual recorder\n",
                    static_cast<unsigned long>(DIRECTORIES * FILES_PER_DIRECTORY), static_cast<unsigned long>(l__ULONG__Nodes));
        std::printf("  ImportTrack (Joliet)      %8.3f s   (target <= %.1f s: %s)\n", l__Best, TARGET_SECONDS,
                    l__Best <= TARGET_SECONDS ? "met" : "MISSED");
        std::printf("  xorriso -indev -find /    %8.3f s   (exit %d)\n", l__Xorriso.m__Seconds, l__Xorriso.m__Exit);
        std::printf("  isoinfo -l                %8.3f s   (exit %d)\n", l__Isoinfo.m__Seconds, l__Isoinfo.m__Exit);
        BenchProgram::Result("import 20,000-file session, time", l__Best, "s", "isoinfo -l", l__Isoinfo.m__Seconds,
                             "<=" + std::to_string(static_cast<int>(TARGET_SECONDS)));
        AspiHostAdapterTable::Instance().Install({});
        std::system(("rm -rf '" + l__Dir + "'").c_str());
        // A reader that failed was timed without reading the session: its figure means nothing.
        if (l__Xorriso.m__Exit != 0 || l__Isoinfo.m__Exit != 0) Fail("an outside reader failed on the session image");
        return l__Best <= TARGET_SECONDS ? 0 : 2;
    } catch (CTarnwick_Exception* l__Exception) {
        Fail(TextOf(l__Exception));
    }
}
