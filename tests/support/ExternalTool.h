#pragma once
#include <gtest/gtest.h>

#include <string>

// The outside programs some tests run (sox, ffmpeg, xorriso, isoinfo, ...). A missing one
// fails the test when the environment variable CI is set (the CI machine installs them
// all) and skips it elsewhere.
class ExternalTool {
public:
    // True when NAME is a program on the PATH.
    static bool IsInstalled(const std::string& p__string__Name);
    // True when a missing tool is a failure (CI is set).
    static bool IsRequired();
    // For fixtures that cannot end the test themselves (SetUpTestSuite): true when NAME is
    // installed; otherwise false, after recording a failure when the tool is required.
    static bool Check(const std::string& p__string__Name);
};

// Ends the current test when the tool is missing: a failure under CI, skipped otherwise.
#define REQUIRE_TOOL(p__Tool)                                                               \
    do {                                                                                    \
        const std::string l__string__RequiredTool = (p__Tool);                              \
        if (!ExternalTool::IsInstalled(l__string__RequiredTool)) {                          \
            if (ExternalTool::IsRequired()) FAIL() << l__string__RequiredTool << " is not installed"; \
            GTEST_SKIP() << l__string__RequiredTool << " is not installed";                 \
        }                                                                                   \
    } while (0)
