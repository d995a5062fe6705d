#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <memory>

#include "FakeClock.h"
#include "ScriptedBackend.h"

// A scripted recorder that keeps its mode pages: MODE SENSE answers the stored page
// (or its default with page control 2), MODE SELECT stores what it receives, GET
// CONFIGURATION reports the current profile.
class ModePageDrive {
public:
    explicit ModePageDrive(ScriptedBackend& p__Drive);

    ScriptedBackend& m__Drive;
    std::map<uint8_t, std::vector<uint8_t>> m__Pages;
    std::map<uint8_t, std::vector<uint8_t>> m__Defaults;
    std::vector<std::vector<uint8_t>> m__Selected;
    std::set<uint8_t> m__Refused;  // write types MODE SELECT refuses on page 05h
    int m__Profile = 0x0009;       // CD-R; negative: GET CONFIGURATION fails
};

// Tests against one scripted recorder with mode pages, on a fake clock.
class ModePageDriveTest : public ::testing::Test {
protected:
    void SetUp() override {
        m__Drive = &ScriptedBackend::InstallSingle();
        m__Pages = std::make_unique<ModePageDrive>(*m__Drive);
    }
    void TearDown() override {
        m__Pages.reset();
        ScriptedBackend::UninstallAll();
    }

    FakeClock m__Clock;
    ScriptedBackend* m__Drive = nullptr;
    std::unique_ptr<ModePageDrive> m__Pages;
};
