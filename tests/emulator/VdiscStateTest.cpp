// The disc state a disc file stores: its bytes stay those earlier programs wrote and read, and
// every field comes back as it went in.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "VdiscState.h"

namespace {

// A state with every stored field away from its default.
VdiscState Sample() {
    VdiscState l__State = VdiscState::Blank(VdiscMediumKind::CdRw);
    l__State.m__string__Vendor = "VEND";
    l__State.m__string__Product = "PROD";
    l__State.m__string__Revision = "2.5";
    l__State.m__bool__HasPage30 = true;
    l__State.m__ULONG__ImmedPolls = 3;
    l__State.m__bool__RomWhenFinalized = true;
    l__State.m__ULONG__WriteSpeed = 0x01020304;
    l__State.m__string__CommandLog = "log";
    l__State.m__bool__IsFormatted = true;
    l__State.m__bool__IsFinalized = true;
    l__State.m__bool__EverWritten = true;
    l__State.m__LONG__HighestWritten = -2;
    VdiscSession l__Closed;
    l__Closed.m__UCHAR__Number = 1;
    l__Closed.m__UCHAR__Format = 0x20;
    l__Closed.m__UCHAR__MultiSession = 3;
    l__Closed.m__bool__IsClosed = true;
    l__Closed.m__LONG__LeadOutStart = 0x12345;
    VdiscSession l__Open;
    l__Open.m__UCHAR__Number = 2;
    l__State.m__Sessions = {l__Closed, l__Open};
    VdiscTrack l__Track;
    l__Track.m__UCHAR__Number = 1;
    l__Track.m__UCHAR__Session = 1;
    l__Track.m__UCHAR__Control = 6;
    l__Track.m__UCHAR__DataMode = 2;
    l__Track.m__State = VdiscTrackState::Reserved;
    l__Track.m__WriteKind = VdiscWriteKind::DvdDiscAtOnce;
    l__Track.m__LONG__Pregap = 150;
    l__Track.m__LONG__Start = -11634;
    l__Track.m__LONG__Size = 1000;
    l__Track.m__LONG__Recorded = 999;
    l__State.m__Tracks = {l__Track};
    l__State.m__Cue = {0x41, 0, 0, 0x14, 0, 0, 0, 0};
    l__State.m__bool__SaoActive = true;
    l__State.m__bool__RawActive = true;
    l__State.m__LONG__SaoNext = 77;
    l__State.m__Faults.m__bool__WriteFailSet = true;
    l__State.m__Faults.m__LONG__WriteFailLba = 4000;
    l__State.m__Faults.m__ReadFaults = {{16, -1}, {17, 2}};
    l__State.m__Faults.m__ULONG__Busy = 5;
    l__State.m__Faults.m__ULONG__NotReady = 6;
    l__State.m__Faults.m__bool__UnitAttention = true;
    l__State.m__Faults.m__bool__NoMedium = true;
    l__State.m__Faults.m__RefusedOps = {0x5D, 0xBE};
    l__State.m__Faults.m__bool__RefuseImmedClose = true;
    l__State.m__Faults.m__UCHAR__RefusedWriteTypes = 0x06;
    return l__State;
}

// Sample() as the programs before this one stored it (little-endian integers, counted strings
// and lists, the fields added later at the end).
const std::vector<uint8_t> g__StoredSample = {
    0x01, 0x00, 0x00, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x56, 0x45, 0x4E, 0x44, 0x04, 0x00, 0x00,
    0x00, 0x50, 0x52, 0x4F, 0x44, 0x03, 0x00, 0x00, 0x00, 0x32, 0x2E, 0x35, 0x01, 0x03, 0x00, 0x00,
    0x00, 0x01, 0x01, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0x02, 0x00, 0x00, 0x00, 0x01, 0x20, 0x03, 0x01,
    0x45, 0x23, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x01, 0x01, 0x06, 0x02, 0x01, 0x05, 0x96, 0x00, 0x00, 0x00, 0x8E, 0xD2, 0xFF, 0xFF, 0xE8, 0x03,
    0x00, 0x00, 0xE7, 0x03, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x41, 0x00, 0x00, 0x14, 0x00, 0x00,
    0x00, 0x00, 0x01, 0x01, 0x4D, 0x00, 0x00, 0x00, 0x01, 0xA0, 0x0F, 0x00, 0x00, 0x02, 0x00, 0x00,
    0x00, 0x10, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x11, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
    0x00, 0x05, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01, 0x04, 0x03, 0x02, 0x01,
    0x02, 0x00, 0x00, 0x00, 0x5D, 0xBE, 0x01, 0x06, 0x03, 0x00, 0x00, 0x00, 0x6C, 0x6F, 0x67,
};

// The fields that precede those added after the first files were written.
constexpr size_t g__size_t__FirstFilesEnd = 140;

}  // namespace

TEST(VdiscState, StoresTheBytesEarlierProgramsWrote) { EXPECT_EQ(Sample().Serialize(), g__StoredSample); }

TEST(VdiscState, EveryFieldComesBack) {
    VdiscState l__Read;
    ASSERT_TRUE(l__Read.Deserialize(g__StoredSample.data(), g__StoredSample.size()));
    const VdiscState l__Sample = Sample();
    EXPECT_EQ(l__Read.m__Kind, l__Sample.m__Kind);
    EXPECT_EQ(l__Read.m__string__CommandLog, "log");
    EXPECT_EQ(l__Read.m__ULONG__WriteSpeed, 0x01020304u);
    ASSERT_EQ(l__Read.m__Tracks.size(), 1u);
    EXPECT_EQ(l__Read.m__Tracks[0].m__State, VdiscTrackState::Reserved);
    EXPECT_EQ(l__Read.m__Tracks[0].m__WriteKind, VdiscWriteKind::DvdDiscAtOnce);
    EXPECT_EQ(l__Read.m__Tracks[0].m__LONG__Start, -11634);
    ASSERT_EQ(l__Read.m__Faults.m__ReadFaults.size(), 2u);
    EXPECT_EQ(l__Read.m__Faults.m__ReadFaults[0].m__LONG__Remaining, -1);
    EXPECT_EQ(l__Read.m__Faults.m__RefusedOps, (std::vector<uint8_t>{0x5D, 0xBE}));
    // What was read stores the same bytes again: no field is read but not written, or the reverse.
    EXPECT_EQ(l__Read.Serialize(), g__StoredSample);
}

TEST(VdiscState, FilesOfTheFirstProgramsLackTheLaterFields) {
    VdiscState l__Read;
    ASSERT_TRUE(l__Read.Deserialize(g__StoredSample.data(), g__size_t__FirstFilesEnd));
    EXPECT_TRUE(l__Read.m__bool__RomWhenFinalized);
    EXPECT_EQ(l__Read.m__ULONG__WriteSpeed, 0u);
    EXPECT_TRUE(l__Read.m__string__CommandLog.empty());
    EXPECT_FALSE(l__Read.m__Faults.m__bool__RefuseImmedClose);
}

TEST(VdiscState, RefusesDamagedStatesAndKeepsItsOwn) {
    const auto l__Refused = [](std::vector<uint8_t> p__Bytes) {
        VdiscState l__Read = VdiscState::Blank(VdiscMediumKind::DvdRam);
        const bool l__bool__Taken = l__Read.Deserialize(p__Bytes.data(), p__Bytes.size());
        EXPECT_EQ(l__Read.m__Kind, VdiscMediumKind::DvdRam);  // unchanged on refusal
        return !l__bool__Taken;
    };
    std::vector<uint8_t> l__Bytes = g__StoredSample;
    l__Bytes[0] = 2;  // another version
    EXPECT_TRUE(l__Refused(l__Bytes));
    l__Bytes = g__StoredSample;
    l__Bytes[4] = 11;  // no such medium
    EXPECT_TRUE(l__Refused(l__Bytes));
    l__Bytes = g__StoredSample;
    l__Bytes[40] = 0xFF;  // more sessions than bytes left
    EXPECT_TRUE(l__Refused(l__Bytes));
    for (size_t l__size_t__Cut : {size_t{0}, size_t{3}, size_t{20}, size_t{60}, g__size_t__FirstFilesEnd - 1, g__StoredSample.size() - 1}) {
        SCOPED_TRACE(l__size_t__Cut);
        EXPECT_TRUE(l__Refused(std::vector<uint8_t>(g__StoredSample.begin(), g__StoredSample.begin() + l__size_t__Cut)));
    }
    // Unknown track states and write kinds are reduced, as they always were.
    l__Bytes = g__StoredSample;
    l__Bytes[68] = 4;  // track state: 4 mod 3 = reserved
    VdiscState l__Read;
    ASSERT_TRUE(l__Read.Deserialize(l__Bytes.data(), l__Bytes.size()));
    EXPECT_EQ(l__Read.m__Tracks[0].m__State, VdiscTrackState::Reserved);
}

TEST(VdiscState, LayersAndFormattedCapacityComeBackAndOnlyBdStoresThem) {
    VdiscState l__Dual = VdiscState::Blank(VdiscMediumKind::BdRe, 2);
    l__Dual.m__bool__IsFormatted = true;
    l__Dual.m__LONG__FormattedCapacity = 23652352;
    const std::vector<uint8_t> l__Bytes = l__Dual.Serialize();
    VdiscState l__Read;
    ASSERT_TRUE(l__Read.Deserialize(l__Bytes.data(), l__Bytes.size()));
    EXPECT_EQ(l__Read.m__UCHAR__Layers, 2);
    EXPECT_EQ(l__Read.Capacity(), 23652352);
    EXPECT_EQ(l__Read.Serialize(), l__Bytes);
    // A single-layer BD never formatted stores only what every state before it stored.
    EXPECT_EQ(VdiscState::Blank(VdiscMediumKind::BdRe).Serialize().size() + 5, l__Bytes.size());
    // States of the earlier layout (here with the medium byte of a BD-R) read as one layer.
    std::vector<uint8_t> l__Old = g__StoredSample;
    l__Old[4] = static_cast<uint8_t>(VdiscMediumKind::BdR);
    ASSERT_TRUE(l__Read.Deserialize(l__Old.data(), l__Old.size()));
    EXPECT_EQ(l__Read.m__Kind, VdiscMediumKind::BdR);
    EXPECT_EQ(l__Read.m__UCHAR__Layers, 1);
    EXPECT_EQ(l__Read.Capacity(), 12219392);
}

TEST(VdiscState, RefusesLayersAndCapacitiesNoMediumHas) {
    const auto l__Refused = [](VdiscMediumKind p__Kind, uint8_t p__UCHAR__Layers, int32_t p__LONG__Capacity) {
        VdiscState l__State = VdiscState::Blank(p__Kind, p__UCHAR__Layers);
        l__State.m__LONG__FormattedCapacity = p__LONG__Capacity;
        const std::vector<uint8_t> l__Bytes = l__State.Serialize();
        VdiscState l__Read;
        return !l__Read.Deserialize(l__Bytes.data(), l__Bytes.size());
    };
    EXPECT_FALSE(l__Refused(VdiscMediumKind::BdR, 2, 0));
    EXPECT_FALSE(l__Refused(VdiscMediumKind::BdRe, 1, 12219392));
    EXPECT_TRUE(l__Refused(VdiscMediumKind::BdR, 3, 0));
    EXPECT_TRUE(l__Refused(VdiscMediumKind::BdR, 0, 0));
    EXPECT_TRUE(l__Refused(VdiscMediumKind::DvdPlusR, 2, 0));
    EXPECT_TRUE(l__Refused(VdiscMediumKind::BdRe, 1, 12219393));
    EXPECT_TRUE(l__Refused(VdiscMediumKind::BdRe, 1, -1));
    // The added fields cut in the middle.
    std::vector<uint8_t> l__Bytes = VdiscState::Blank(VdiscMediumKind::BdRe, 2).Serialize();
    l__Bytes.resize(l__Bytes.size() - 2);
    VdiscState l__Read;
    EXPECT_FALSE(l__Read.Deserialize(l__Bytes.data(), l__Bytes.size()));
}
