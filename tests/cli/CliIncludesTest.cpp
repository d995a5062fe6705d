// The tarnwick command is built on the public headers alone: every header its sources name in
// quotes is its own or one of include/, and no header of the toolkit's inside is reachable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

TEST(CliIncludes, TheCommandIncludesOnlyItsOwnAndThePublicHeaders) {
    const std::filesystem::path l__Source = std::filesystem::path(TARNWICK_SOURCE_DIR) / "tools" / "tarnwick";
    const std::filesystem::path l__Public = std::filesystem::path(TARNWICK_SOURCE_DIR) / "include";
    const std::regex l__Quoted(R"re(^\s*#\s*include\s*"([^"]+)")re");
    const std::regex l__Angled(R"re(^\s*#\s*include\s*<([^>]+)>)re");
    size_t l__Files = 0, l__Public__Count = 0;
    for (const auto& l__Entry : std::filesystem::directory_iterator(l__Source)) {
        const std::string l__Extension = l__Entry.path().extension().string();
        if (l__Extension != ".cpp" && l__Extension != ".h") continue;
        ++l__Files;
        std::ifstream l__File(l__Entry.path());
        std::string l__Line;
        while (std::getline(l__File, l__Line)) {
            std::smatch m;
            if (std::regex_search(l__Line, m, l__Quoted)) {
                const std::string l__Name = m[1];
                const bool l__Own = std::filesystem::exists(l__Source / l__Name);
                const bool l__IsPublic = std::filesystem::exists(l__Public / l__Name);
                if (l__IsPublic) ++l__Public__Count;
                EXPECT_TRUE(l__Own || l__IsPublic) << l__Entry.path().filename() << " includes \"" << l__Name << "\"";
            } else if (std::regex_search(l__Line, m, l__Angled)) {
                // System and standard headers only: no toolkit header through another include path.
                const std::string l__Name = m[1];
                EXPECT_EQ(l__Name.find("Tarnwick"), std::string::npos) << l__Entry.path().filename() << " includes <" << l__Name << ">";
                EXPECT_EQ(l__Name.find("Platform"), std::string::npos) << l__Entry.path().filename() << " includes <" << l__Name << ">";
            }
        }
    }
    EXPECT_GT(l__Files, 10u);
    EXPECT_GT(l__Public__Count, 0u);
}
