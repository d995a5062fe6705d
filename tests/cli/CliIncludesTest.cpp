// The tarnwick command is built on the public headers alone: every header its sources name in
// quotes is its own, one of the tools' shared pieces (which obey the same rule), or one of
// include/; no header of the toolkit's inside is reachable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

namespace {

// Checks the sources of p__Folder; counts the includes of public headers.
void CheckFolder(const std::filesystem::path& p__Folder, size_t& p__Files, size_t& p__Public) {
    const std::filesystem::path l__Root(TARNWICK_SOURCE_DIR);
    const std::filesystem::path l__Allowed[] = {p__Folder, l__Root / "tools" / "common", l__Root / "include"};
    const std::regex l__Quoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
    const std::regex l__Angled(R"re(^\s*#\s*include\s*<([^>]+)>)re");
    for (const auto& l__Entry : std::filesystem::directory_iterator(p__Folder)) {
        const std::string l__Extension = l__Entry.path().extension().string();
        if (l__Extension != ".cpp" && l__Extension != ".h") continue;
        ++p__Files;
        std::ifstream l__File(l__Entry.path());
        std::string l__Line;
        while (std::getline(l__File, l__Line)) {
            std::smatch m;
            if (std::regex_search(l__Line, m, l__Quoted)) {
                const std::string l__Name = m[1];
                bool l__Found = false;
                for (const auto& l__Folder : l__Allowed) l__Found = l__Found || std::filesystem::exists(l__Folder / l__Name);
                if (std::filesystem::exists(l__Root / "include" / l__Name)) ++p__Public;
                EXPECT_TRUE(l__Found) << l__Entry.path() << " includes \"" << l__Name << "\"";
            } else if (std::regex_search(l__Line, m, l__Angled)) {
                // System and standard headers only: no toolkit header through another include path.
                const std::string l__Name = m[1];
                EXPECT_EQ(l__Name.find("Tarnwick"), std::string::npos) << l__Entry.path() << " includes <" << l__Name << ">";
                EXPECT_EQ(l__Name.find("Platform"), std::string::npos) << l__Entry.path() << " includes <" << l__Name << ">";
            }
        }
    }
}

}  // namespace

TEST(CliIncludes, TheCommandAndTheToolsSharedPiecesIncludeOnlyTheirOwnAndThePublicHeaders) {
    const std::filesystem::path l__Root(TARNWICK_SOURCE_DIR);
    size_t l__Files = 0, l__Public = 0;
    CheckFolder(l__Root / "tools" / "tarnwick", l__Files, l__Public);
    CheckFolder(l__Root / "tools" / "common", l__Files, l__Public);
    EXPECT_GT(l__Files, 20u);
    EXPECT_GT(l__Public, 0u);
}
