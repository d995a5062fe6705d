// Failures as tarnwick tells them: sense records decoded to words, the failed command named,
// the remedy chosen from the cause, and the lines on standard error.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>

#include "CTarnwick_CliFailure.h"
#include "CTarnwick_SenseText.h"

namespace {

bool Has(const std::string& p__Text, const std::string& p__Part) { return p__Text.find(p__Part) != std::string::npos; }

// A failure record of the command with the sense bytes as a drive returns them (18 bytes of
// fixed format unless given otherwise), p__Length of them valid.
CDB_FAILURE_INFORMATION Record(std::initializer_list<UCHAR> p__Cdb, std::initializer_list<UCHAR> p__Sense, UCHAR p__Length = 14) {
    CDB_FAILURE_INFORMATION l__Info{};
    l__Info.m__UCHAR__IsValid = 1;
    l__Info.m__UCHAR__CDBLength = static_cast<UCHAR>(p__Cdb.size());
    std::copy(p__Cdb.begin(), p__Cdb.end(), l__Info.m__UCHAR__CDB);
    std::copy(p__Sense.begin(), p__Sense.end(), l__Info.m__UCHAR__Sense);
    l__Info.m__UCHAR__SenseLength = p__Length;
    l__Info.m__UCHAR__SRB_TargStat = 2;
    return l__Info;
}

// Fixed-format sense (response code 70h) with the key, ASC and ASCQ.
CDB_FAILURE_INFORMATION Fixed(std::initializer_list<UCHAR> p__Cdb, UCHAR p__Key, UCHAR p__Asc, UCHAR p__Ascq) {
    return Record(p__Cdb, {0x70, 0, p__Key, 0, 0, 0, 0, 10, 0, 0, 0, 0, p__Asc, p__Ascq, 0, 0, 0, 0});
}

const std::initializer_list<UCHAR> WRITE10 = {0x2A, 0, 0, 0, 0x01, 0x00, 0, 0, 0x10, 0};
const char* const DRIVE = "virtual:/tmp/drive/disc";

CTarnwick_CliFailure Failed(const CDB_FAILURE_INFORMATION& p__Info, ULONG p__ULONG__Number = EXCEPTION_NUMBER_COMMAND_FAILED) {
    return CTarnwick_CliFailure("burn", DRIVE, p__ULONG__Number, "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!", 0, p__Info);
}

}  // namespace

TEST(CliSenseText, KeysAdditionalCodesAndCommandsInWords) {
    std::set<std::string> l__Keys;
    for (UCHAR l__UCHAR__Key = 0; l__UCHAR__Key < 16; ++l__UCHAR__Key) l__Keys.insert(CTarnwick_SenseText::Key(l__UCHAR__Key));
    EXPECT_EQ(l__Keys.size(), 16u);  // every key has a name of its own
    EXPECT_STREQ(CTarnwick_SenseText::Key(0x02), "NOT READY");
    EXPECT_STREQ(CTarnwick_SenseText::Key(0x05), "ILLEGAL REQUEST");
    EXPECT_STREQ(CTarnwick_SenseText::Key(0x07), "DATA PROTECT");
    EXPECT_STREQ(CTarnwick_SenseText::Key(0x08), "BLANK CHECK");
    EXPECT_STREQ(CTarnwick_SenseText::Key(0xF6), "UNIT ATTENTION");  // the key is the low nibble

    EXPECT_EQ(CTarnwick_SenseText::Additional(0x3A, 0x00), "MEDIUM NOT PRESENT");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x3A, 0x02), "MEDIUM NOT PRESENT - TRAY OPEN");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x04, 0x08), "LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x0C, 0x09), "WRITE ERROR - LOSS OF STREAMING");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x21, 0x02), "INVALID ADDRESS FOR WRITE");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x27, 0x05), "PERMANENT WRITE PROTECT");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x30, 0x05), "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x53, 0x02), "MEDIUM REMOVAL PREVENTED");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x6F, 0x03), "READ OF SCRAMBLED SECTOR WITHOUT AUTHENTICATION");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x72, 0x03), "SESSION FIXATION ERROR - INCOMPLETE TRACK IN SESSION");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x73, 0x03), "POWER CALIBRATION AREA ERROR");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x5D, 0xFF), "FAILURE PREDICTION THRESHOLD EXCEEDED (FALSE)");
    // Pairs not listed, the vendor-specific range, and 40h's component numbers.
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x3A, 0x7E), "ASC 3Ah ASCQ 7Eh");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x85, 0x01), "VENDOR-SPECIFIC ASC 85h ASCQ 01h");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x27, 0x90), "VENDOR-SPECIFIC ASC 27h ASCQ 90h");
    EXPECT_EQ(CTarnwick_SenseText::Additional(0x40, 0x81), "DIAGNOSTIC FAILURE ON COMPONENT 81h");

    EXPECT_EQ(CTarnwick_SenseText::Command(0x2A), "WRITE(10)");
    EXPECT_EQ(CTarnwick_SenseText::Command(0xAA), "WRITE(12)");
    EXPECT_EQ(CTarnwick_SenseText::Command(0x04), "FORMAT UNIT");
    EXPECT_EQ(CTarnwick_SenseText::Command(0x52), "READ TRACK INFORMATION");
    EXPECT_EQ(CTarnwick_SenseText::Command(0x5B), "CLOSE TRACK/SESSION");
    EXPECT_EQ(CTarnwick_SenseText::Command(0x5D), "SEND CUE SHEET");
    EXPECT_EQ(CTarnwick_SenseText::Command(0xA1), "BLANK");
    EXPECT_EQ(CTarnwick_SenseText::Command(0xBE), "READ CD");
    EXPECT_EQ(CTarnwick_SenseText::Command(0xC5), "command C5h");
}

TEST(CliFailure, DecodesFixedAndDescriptorSense) {
    const CTarnwick_CliFailure l__Write = Failed(Fixed(WRITE10, 0x07, 0x27, 0x00));
    EXPECT_EQ(l__Write.Command(), "WRITE(10)");
    EXPECT_EQ(l__Write.Cdb(), "2A 00 00 00 01 00 00 00 10 00");
    EXPECT_EQ(l__Write.Sense(), "DATA PROTECT: WRITE PROTECTED (7/27/00)");
    // 71h (deferred), and the VALID bit set in the response code byte.
    EXPECT_EQ(Failed(Record({0xA1, 0x10}, {0x71, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x04, 0x07})).Sense(),
              "NOT READY: LOGICAL UNIT NOT READY, OPERATION IN PROGRESS (2/04/07)");
    EXPECT_EQ(Failed(Record({0x28}, {0xF0, 0, 0x03, 0, 0, 0x10, 0, 10, 0, 0, 0, 0, 0x11, 0x05})).Sense(),
              "MEDIUM ERROR: L-EC UNCORRECTABLE ERROR (3/11/05)");
    // Descriptor format (72h): key, ASC and ASCQ in bytes 1 to 3.
    EXPECT_EQ(Failed(Record({0x5B, 0, 2}, {0x72, 0x05, 0x2C, 0x00, 0, 0, 0, 0}, 8)).Sense(), "ILLEGAL REQUEST: COMMAND SEQUENCE ERROR (5/2C/00)");
    // Vendor-specific codes are said so, with their numbers.
    EXPECT_EQ(Failed(Fixed({0x35}, 0x04, 0x85, 0x01)).Sense(), "HARDWARE ERROR: VENDOR-SPECIFIC ASC 85h ASCQ 01h (4/85/01)");
}

TEST(CliFailure, ShortOrInvalidRecordsTellOnlyWhatTheyHold) {
    // Too short for ASC/ASCQ, by the record's length or by the sense's own additional length.
    EXPECT_EQ(Failed(Record({0x2A}, {0x70, 0, 0x03, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x0C, 0x00}, 8)).Sense(), "MEDIUM ERROR (3)");
    EXPECT_EQ(Failed(Record({0x2A}, {0x70, 0, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0C, 0x00})).Sense(), "MEDIUM ERROR (3)");
    // No sense the drive vouches for: the command is still named.
    const CTarnwick_CliFailure l__Invalid = Failed(Record({0x5D, 0, 0, 0, 0, 0, 0, 0, 16, 0}, {0x00, 0, 0x07, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x27, 0x00}));
    EXPECT_EQ(l__Invalid.Sense(), "");
    EXPECT_EQ(l__Invalid.Command(), "SEND CUE SHEET");
    EXPECT_EQ(Failed(Record({0x2A}, {0x70, 0, 0x07}, 2)).Sense(), "");
    EXPECT_EQ(Failed(Record({0x2A}, {0x70, 0, 0x07}, 0)).Sense(), "");
    // A record not filled: no command, no sense, no remedy from stale bytes.
    CDB_FAILURE_INFORMATION l__Empty = Fixed(WRITE10, 0x02, 0x3A, 0x00);
    l__Empty.m__UCHAR__IsValid = 0;
    const CTarnwick_CliFailure l__None = Failed(l__Empty);
    EXPECT_EQ(l__None.Command(), "");
    EXPECT_EQ(l__None.Cdb(), "");
    EXPECT_EQ(l__None.Sense(), "");
    EXPECT_EQ(l__None.Remedy(), "");
}

TEST(CliFailure, EachRemedyComesFromItsCause) {
    struct Case {
        UCHAR m__Key, m__Asc, m__Ascq;
        ULONG m__Number;
        const char* m__Remedy;
    };
    const Case l__Cases[] = {
        {0x02, 0x3A, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "insert a disc into virtual:/tmp/drive/disc"},
        {0x02, 0x3A, 0x01, EXCEPTION_NUMBER_DEVICE_NOT_READY, "insert a disc into virtual:/tmp/drive/disc"},
        {0x02, 0x3A, 0x02, EXCEPTION_NUMBER_COMMAND_FAILED, "close the tray: tarnwick load --drive virtual:/tmp/drive/disc"},
        {0x07, 0x27, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "the disc or drive is write-protected: "},
        {0x07, 0x27, 0x01, EXCEPTION_NUMBER_COMMAND_FAILED, "the disc or drive is write-protected: "},
        {0x07, 0x5A, 0x02, EXCEPTION_NUMBER_COMMAND_FAILED, "the disc or drive is write-protected: "},
        {0x05, 0x64, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "insert a blank disc, or erase a rewritable one with `tarnwick blank`"},
        {0x05, 0x30, 0x05, EXCEPTION_NUMBER_COMMAND_FAILED, "insert a blank disc, or erase a rewritable one with `tarnwick blank`"},
        {0x05, 0x2C, 0x03, EXCEPTION_NUMBER_COMMAND_FAILED, "insert a blank disc, or erase a rewritable one with `tarnwick blank`"},
        {0x05, 0x30, 0x10, EXCEPTION_NUMBER_COMMAND_FAILED, "format it with `tarnwick format`"},
        {0x05, 0x30, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "the drive cannot use this disc"},
        {0x05, 0x30, 0x06, EXCEPTION_NUMBER_COMMAND_FAILED, "the drive cannot use this disc"},
        {0x03, 0x73, 0x03, EXCEPTION_NUMBER_COMMAND_FAILED, "could not calibrate its laser"},
        {0x03, 0x73, 0x05, EXCEPTION_NUMBER_COMMAND_FAILED, "no room left to record"},
        {0x03, 0x72, 0x02, EXCEPTION_NUMBER_COMMAND_FAILED, "the session could not be closed"},
        {0x03, 0x0C, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "writing failed on this disc"},
        {0x05, 0x63, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "does not fit"},
        {0x05, 0x53, 0x02, EXCEPTION_NUMBER_COMMAND_FAILED, "locked the tray"},
        {0x06, 0x28, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "run the command again"},
        {0x06, 0x29, 0x00, EXCEPTION_NUMBER_COMMAND_FAILED, "run the command again"},
        {0x02, 0x04, 0x04, EXCEPTION_NUMBER_DEVICE_NOT_READY, "the drive is busy"},
    };
    for (const Case& l__Case : l__Cases) {
        SCOPED_TRACE(CTarnwick_SenseText::Additional(l__Case.m__Asc, l__Case.m__Ascq));
        const CTarnwick_CliFailure l__Failure = Failed(Fixed(WRITE10, l__Case.m__Key, l__Case.m__Asc, l__Case.m__Ascq), l__Case.m__Number);
        EXPECT_TRUE(Has(l__Failure.Remedy(), l__Case.m__Remedy)) << l__Failure.Remedy();
        EXPECT_EQ(l__Failure.ExitCode(), static_cast<int>(l__Case.m__Number));
    }
    // A drive's name that a shell would split is quoted in the command offered.
    const CTarnwick_CliFailure l__Spaced("blank", "virtual:/tmp/my discs/d", EXCEPTION_NUMBER_COMMAND_FAILED, "", 0, Fixed({0xA1}, 0x02, 0x3A, 0x02));
    EXPECT_TRUE(Has(l__Spaced.Remedy(), "tarnwick load --drive 'virtual:/tmp/my discs/d'")) << l__Spaced.Remedy();
    // Without a record, a drive that stayed not ready; an invalid field has no remedy to offer.
    EXPECT_TRUE(Has(Failed(CDB_FAILURE_INFORMATION{}, EXCEPTION_NUMBER_DEVICE_NOT_READY).Remedy(), "stayed busy or not ready"));
    EXPECT_EQ(Failed(Fixed(WRITE10, 0x05, 0x24, 0x00)).Remedy(), "");
    // A medium error while reading is not a writing fault.
    EXPECT_TRUE(Has(Failed(Fixed({0x28}, 0x03, 0x11, 0x00)).Remedy(), "cannot be read"));
}

TEST(CliFailure, NotBlankRemedyDependsOnWhetherTheDiscCanBeErased) {
    EXPECT_TRUE(Has(CTarnwick_CliFailure::NotBlankRemedy(true), "erase it with `tarnwick blank`"));
    EXPECT_TRUE(Has(CTarnwick_CliFailure::NotBlankRemedy(false), "insert a blank disc"));
    EXPECT_FALSE(Has(CTarnwick_CliFailure::NotBlankRemedy(false), "tarnwick blank"));
    // The burn passes it as its own remedy, which is kept.
    const CTarnwick_CliFailure l__Burn("burn", DRIVE, EXCEPTION_NUMBER_MEDIA_OR_DATA, "the CD-R is not blank",
                                       CTarnwick_CliFailure::NotBlankRemedy(false));
    EXPECT_EQ(l__Burn.Remedy(), CTarnwick_CliFailure::NotBlankRemedy(false));
}

TEST(CliFailure, PermissionRemediesNameTheFileAndWhatToCheck) {
    const CDB_FAILURE_INFORMATION l__None{};
    // The file the text names, with the verb that failed.
    const CTarnwick_CliFailure l__Open("blank", "virtual:/srv/discs/a", EXCEPTION_NUMBER_SYSTEM_ERROR,
                                       "cannot open /srv/discs/a: Permission denied", EACCES, l__None);
    EXPECT_TRUE(Has(l__Open.Remedy(), "you may not open /srv/discs/a: check its owner and group (ls -l /srv/discs/a)")) << l__Open.Remedy();
    EXPECT_TRUE(Has(l__Open.Remedy(), "or choose another file")) << l__Open.Remedy();
    const CTarnwick_CliFailure l__Write("grab", DRIVE, EXCEPTION_NUMBER_SYSTEM_ERROR, "cannot create /out/my track.wav: Operation not permitted",
                                       EPERM, l__None);
    EXPECT_TRUE(Has(l__Write.Remedy(), "you may not write /out/my track.wav: check its owner and group (ls -l '/out/my track.wav')"))
        << l__Write.Remedy();
    // Without a file in the text: the drive's own file.
    const CTarnwick_CliFailure l__Drive("burn", "virtual:/tmp/x/disc", EXCEPTION_NUMBER_SYSTEM_ERROR, "open failed", EACCES, l__None);
    EXPECT_TRUE(Has(l__Drive.Remedy(), "you may not open /tmp/x/disc")) << l__Drive.Remedy();
    // A device node: join the group that owns the device.
    const CTarnwick_CliFailure l__Node("burn", "/dev/null", EXCEPTION_NUMBER_SYSTEM_ERROR, "cannot open /dev/null: Permission denied", EACCES,
                                       l__None);
    EXPECT_TRUE(Has(l__Node.Remedy(), "add yourself to the group that owns the device")) << l__Node.Remedy();
    EXPECT_TRUE(Has(l__Node.Remedy(), "or choose another drive")) << l__Node.Remedy();
    // A read-only file system is no matter of owners.
    const CTarnwick_CliFailure l__Rofs("grab", DRIVE, EXCEPTION_NUMBER_SYSTEM_ERROR, "cannot write /media/cd/x.iso: Read-only file system",
                                       EROFS, l__None);
    EXPECT_TRUE(Has(l__Rofs.Remedy(), "you may not write /media/cd/x.iso: it is on a read-only file system")) << l__Rofs.Remedy();
    // The status is a system error only with the system-error number.
    EXPECT_EQ(CTarnwick_CliFailure("burn", DRIVE, EXCEPTION_NUMBER_INVALID_PARAMETER, "bad", EACCES, l__None).Remedy(), "");
}

TEST(CliFailure, LinesTellTheFailureThenCommandSenseAndRemedy) {
    const CTarnwick_CliFailure l__Failure("blank", DRIVE, EXCEPTION_NUMBER_COMMAND_FAILED,
                                          "CTarnwick_ScsiTransportASPI::ExecuteCDB(): Command failed!!!", 0,
                                          Fixed({0xA1, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0x07, 0x27, 0x00));
    const std::vector<std::string> l__Lines = l__Failure.Lines();
    ASSERT_EQ(l__Lines.size(), 4u);
    EXPECT_EQ(l__Lines[0], "tarnwick blank on virtual:/tmp/drive/disc failed (8): the drive could not carry out BLANK");
    EXPECT_EQ(l__Lines[1], "  command: BLANK [A1 10 00 00 00 00 00 00 00 00 00 00]");
    EXPECT_EQ(l__Lines[2], "  sense: DATA PROTECT: WRITE PROTECTED (7/27/00)");
    EXPECT_EQ(l__Lines[3], std::string("  remedy: ").append(l__Failure.Remedy()));
    // The toolkit's text loses the raising function's name and its exclamation marks.
    EXPECT_EQ(CTarnwick_CliFailure("burn", DRIVE, 3, "CTarnwick_CdvdBurnerGrabber::Blank(): Disc is not blank!!!", 0, CDB_FAILURE_INFORMATION{})
                  .Text(),
              "Disc is not blank");
    EXPECT_EQ(CTarnwick_CliFailure("burn", DRIVE, 3, "cannot open a (b): c(): d", 0, CDB_FAILURE_INFORMATION{}).Text(), "cannot open a (b): c(): d");
    // A failure the command finds itself: no command or sense lines, no drive when none was opened.
    const std::vector<std::string> l__Own =
        CTarnwick_CliFailure("burn", "", EXCEPTION_NUMBER_NOT_FOUND, "there is no drive 3", "run `tarnwick drives`").Lines();
    ASSERT_EQ(l__Own.size(), 2u);
    EXPECT_EQ(l__Own[0], "tarnwick burn failed (17): there is no drive 3");
    EXPECT_EQ(l__Own[1], "  remedy: run `tarnwick drives`");
}
