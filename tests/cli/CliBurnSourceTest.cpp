// What tarnwick burn makes of its sources, and the names it gives on a collision.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CTarnwick_CliBurnSource.h"
#include "CTarnwick_CliBurnTree.h"
#include "CTarnwick_CliBurnVerify.h"
#include "ScratchDirectory.h"

namespace {

// A file of p__Sectors 2048-byte sectors of zeros with the identifiers at sectors 16 on.
std::string Volume(const std::string& p__Path, const std::vector<std::string>& p__Identifiers, size_t p__Sectors = 40) {
    std::string l__Bytes(p__Sectors * 2048, '\0');
    for (size_t i = 0; i < p__Identifiers.size(); ++i) l__Bytes.replace((16 + i) * 2048 + 1, 5, p__Identifiers[i]);
    std::ofstream(p__Path, std::ios::binary) << l__Bytes;
    return p__Path;
}

}  // namespace

TEST(CliBurnSource, ImagesAreKnownByTheirVolumeDescriptorsNotTheirNames) {
    ScratchDirectory l__Scratch("tarnwick-burn-source");
    const std::string d = l__Scratch.Path();
    EXPECT_TRUE(CTarnwick_CliBurnSource::IsVolumeImage(Volume(d + "/plain.bin", {"CD001"})));
    EXPECT_TRUE(CTarnwick_CliBurnSource::IsVolumeImage(Volume(d + "/udf.img", {"BEA01", "NSR02", "TEA01"})));
    EXPECT_TRUE(CTarnwick_CliBurnSource::IsVolumeImage(Volume(d + "/udf3", {"BEA01", "NSR03"})));
    // The identifier elsewhere than a descriptor's place, or a file too short for sector 16.
    EXPECT_FALSE(CTarnwick_CliBurnSource::IsVolumeImage(Volume(d + "/fake.iso", {"XXXXX", "CD001"})));
    std::ofstream(d + "/short.iso") << "CD001";
    EXPECT_FALSE(CTarnwick_CliBurnSource::IsVolumeImage(d + "/short.iso"));

    CTarnwick_CliBurnSource l__Source;
    std::string l__Error;
    ASSERT_TRUE(l__Source.Classify(d + "/plain.bin", l__Error));
    EXPECT_EQ(l__Source.GetKind(), CTarnwick_CliBurnSource::Kind::Image);
    EXPECT_EQ(l__Source.Blocks(), 40u);
    ASSERT_TRUE(l__Source.Classify(d + "/fake.iso", l__Error));
    EXPECT_EQ(l__Source.GetKind(), CTarnwick_CliBurnSource::Kind::Tree) << "a file that is no volume is burned as a file";
    EXPECT_FALSE(l__Source.IsDirectory());
    ASSERT_TRUE(l__Source.Classify(d, l__Error));
    EXPECT_EQ(l__Source.GetKind(), CTarnwick_CliBurnSource::Kind::Tree);
    EXPECT_TRUE(l__Source.IsDirectory());
    std::ofstream(d + "/DISC.MDS") << "MEDIA DESCRIPTOR";
    ASSERT_TRUE(l__Source.Classify(d + "/DISC.MDS", l__Error));
    EXPECT_EQ(l__Source.GetKind(), CTarnwick_CliBurnSource::Kind::Raw);
    EXPECT_FALSE(l__Source.Classify(d + "/missing", l__Error));
    EXPECT_NE(l__Error.find("missing"), std::string::npos);
}

TEST(CliBurnSource, ANameTakenGetsANumberBeforeItsExtensionWithinItsLimit) {
    EXPECT_EQ(CTarnwick_CliBurnTree::RenamedIdentifier("NOTES.TXT;1", 1, 31), "NOTES~1.TXT;1");
    EXPECT_EQ(CTarnwick_CliBurnTree::RenamedIdentifier("README", 12, 31), "README~12");
    // The name is cut, never the number; the extension goes when nothing else would fit.
    EXPECT_EQ(CTarnwick_CliBurnTree::RenamedIdentifier("ABCDEFGHIJ.TXT", 3, 10), "ABCD~3.TXT");
    EXPECT_EQ(CTarnwick_CliBurnTree::RenamedIdentifier("ABCDEFGHIJ.TXTX", 345, 8), "ABCD~345");
    const std::u16string l__Long(70, u'x');
    const std::u16string l__Renamed = CTarnwick_CliBurnTree::RenamedJoliet(l__Long + u".flac", 2);
    EXPECT_EQ(l__Renamed.size(), 64u);
    EXPECT_EQ(l__Renamed.substr(l__Renamed.size() - 7), u"~2.flac");
}

TEST(CliBurnVerify, FirstDifferenceIsTheFirstByteThatDiffers) {
    const unsigned char a[] = {1, 2, 3, 4, 5}, b[] = {1, 2, 3, 9, 5}, c[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(CTarnwick_CliBurnVerify::FirstDifference(a, b, 5), 3);
    EXPECT_EQ(CTarnwick_CliBurnVerify::FirstDifference(a, c, 5), -1);
    EXPECT_EQ(CTarnwick_CliBurnVerify::FirstDifference(a, b, 3), -1);
}
