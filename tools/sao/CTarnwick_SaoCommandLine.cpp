#include "CTarnwick_SaoCommandLine.h"

#include <cstring>

#include "CTarnwick_ToolDrive.h"

const char* CTarnwick_SaoCommandLine::Usage() {
    return "Usage: tarnwick-sao [--drive N] [--mode2] [--test] [--keep-open] [--raw pq|pw] FILE...\n"
           "       tarnwick-sao [--drive N] [--test] --raw mds [--lead-in] COPY.mds\n"
           "Burns the files onto the CD in the drive as one session written Session-At-Once, one track\n"
           "per file in the order given (at most 99). A sound file the audio toolkit decodes (MP3, FLAC,\n"
           "Ogg Vorbis, WAV, ...) becomes an audio track of 2352-byte blocks; any other file (an ISO\n"
           "image) a data track of 2048-byte blocks. Every track follows a 2-second pre-gap.\n"
           "\n"
           "Options:\n"
           "  --drive N     the N-th CD/DVD drive the toolkit finds (default 0, the first);\n"
           "                TARNWICK_DRIVES chooses the drives besides the machine's own\n"
           "  --mode2       data tracks as Mode 2 Form 1 sectors (2336 bytes from the host)\n"
           "  --test        a test write: the drive goes through the burn without recording\n"
           "  --keep-open   leave the disc open for a next session\n"
           "  --raw pq|pw   write the whole disc Disc-At-Once in raw mode instead: the host sends every\n"
           "                sector, lead-in, pre-gap, tracks and lead-out, with P and Q (pq, 2368-byte\n"
           "                blocks) or raw P-W (pw, 2448-byte blocks) sub-channel; the tracks follow\n"
           "                one another without pre-gaps, and only the first may be a data track\n"
           "  --raw mds     burn the raw disc copy an MDS descriptor describes (its image of 2448-byte\n"
           "                blocks with their own raw P-W sub-channel, as tarnwick-grab --disc writes it)\n"
           "                Session-At-Once, every track where the descriptor puts it\n"
           "  --lead-in     with --raw mds: the host also sends the lead-in's sub-channel\n"
           "  -h, --help    this text\n"
           "\n"
           "Progress goes to standard error as a percentage per track; the table of contents of the\n"
           "burned disc is then printed on standard output, one line per track: number, audio or data,\n"
           "start LBA, end LBA and start address (minute:second:frame).\n"
           "Exit code: 0; the toolkit's failure number, with its text on standard error; 87 for a\n"
           "usage error.\n";
}

bool CTarnwick_SaoCommandLine::Fail(const std::string& p__string__Error) {
    m__string__Error = p__string__Error;
    return false;
}

bool CTarnwick_SaoCommandLine::Parse(const std::vector<std::string>& p__Arguments) {
    bool l__bool__OptionsEnded = false;
    for (size_t l__SIZE__At = 0; l__SIZE__At < p__Arguments.size(); ++l__SIZE__At) {
        const std::string& l__string__Argument = p__Arguments[l__SIZE__At];
        if (l__bool__OptionsEnded || l__string__Argument.empty() || l__string__Argument[0] != '-' ||
            l__string__Argument == "-") {
            m__Files.push_back(l__string__Argument);
        } else if (l__string__Argument == "--") {
            l__bool__OptionsEnded = true;
        } else if (l__string__Argument == "--help" || l__string__Argument == "-h") {
            m__bool__Help = true;
            return true;
        } else if (l__string__Argument == "--mode2") {
            m__BOOLEAN__Mode2 = 1;
        } else if (l__string__Argument == "--test") {
            m__BOOLEAN__Test = 1;
        } else if (l__string__Argument == "--keep-open") {
            m__BOOLEAN__KeepOpen = 1;
        } else if (l__string__Argument == "--raw") {
            if (l__SIZE__At + 1 == p__Arguments.size()) return Fail("--raw needs pq or pw");
            const std::string& l__string__Value = p__Arguments[++l__SIZE__At];
            if (l__string__Value == "pq") m__Writing = Writing::RawPQ;
            else if (l__string__Value == "pw") m__Writing = Writing::RawPW;
            else if (l__string__Value == "mds") m__Writing = Writing::RawImage;
            else return Fail("bad --raw value '" + l__string__Value + "': pq, pw or mds");
        } else if (l__string__Argument == "--lead-in") {
            m__BOOLEAN__LeadIn = 1;
        } else if (l__string__Argument == "--drive") {
            if (l__SIZE__At + 1 == p__Arguments.size()) return Fail("--drive needs a number");
            const std::string& l__string__Value = p__Arguments[++l__SIZE__At];
            if (!CTarnwick_ToolDrive::ParseNumber(l__string__Value, m__ulong__Drive)) {
                return Fail("bad --drive value '" + l__string__Value + "'");
            }
        } else {
            return Fail("unknown option '" + l__string__Argument + "'");
        }
    }
    if (m__Files.empty()) return Fail("no files to burn");
    if (m__Writing == Writing::RawImage) {
        // The descriptor fixes the tracks, their kinds and the session's form.
        if (m__Files.size() != 1) return Fail("--raw mds burns one MDS descriptor, not " + std::to_string(m__Files.size()) + " files");
        if (m__BOOLEAN__Mode2 != 0 || m__BOOLEAN__KeepOpen != 0) return Fail("--mode2 and --keep-open do not go with --raw mds");
    } else if (m__BOOLEAN__LeadIn != 0) {
        return Fail("--lead-in goes only with --raw mds");
    }
    if (m__Files.size() > MAXIMUM_FILES) {
        return Fail(std::to_string(m__Files.size()) + " files: a session holds at most " + std::to_string(MAXIMUM_FILES) +
                    " tracks");
    }
    for (const std::string& l__string__File : m__Files) {
        // The name is kept with its terminator in the entry's fixed field.
        if (l__string__File.empty() || l__string__File.size() >= SESSION_FILE_NAME_SIZE) {
            return Fail("the file name '" + l__string__File + "' is empty or longer than " +
                        std::to_string(SESSION_FILE_NAME_SIZE - 1) + " bytes");
        }
    }
    return true;
}

void CTarnwick_SaoCommandLine::Describe(SESSION_DESCRIPTOR* p__PSESSION_DESCRIPTOR__Session) const {
    p__PSESSION_DESCRIPTOR__Session->m__ULONG__NumberOfTracks = static_cast<ULONG>(m__Files.size());
    for (size_t l__SIZE__Track = 0; l__SIZE__Track < m__Files.size(); ++l__SIZE__Track) {
        SESSION_TRACK_ENTRY& l__Entry = p__PSESSION_DESCRIPTOR__Session->m__SESSION_TRACK_ENTRY__Tracks[l__SIZE__Track];
        std::memcpy(l__Entry.m__CHAR__FileName, m__Files[l__SIZE__Track].c_str(), m__Files[l__SIZE__Track].size() + 1);
    }
}

void CTarnwick_SaoCommandLine::Describe(DISC_AT_ONCE_TRACK_LIST* p__PDISC_AT_ONCE_TRACK_LIST__Tracks) const {
    p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__ULONG__NumberOfTracks = static_cast<ULONG>(m__Files.size());
    for (size_t l__SIZE__Track = 0; l__SIZE__Track < m__Files.size(); ++l__SIZE__Track) {
        DISC_AT_ONCE_TRACK_ENTRY& l__Entry = p__PDISC_AT_ONCE_TRACK_LIST__Tracks->m__DISC_AT_ONCE_TRACK_ENTRY__Tracks[l__SIZE__Track];
        std::memcpy(l__Entry.m__CHAR__FileName, m__Files[l__SIZE__Track].c_str(), m__Files[l__SIZE__Track].size() + 1);
    }
}
