#include "CTarnwick_CliReporter.h"

#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cmath>

#include "CTarnwick_CliFailure.h"

namespace {

std::string Fixed(double p__double__Value, int p__int__Decimals) {
    char l__CHAR__Text[64];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%.*f", p__int__Decimals, p__double__Value);
    return l__CHAR__Text;
}

std::string Duration(double p__double__Seconds) {
    const long l__long__Seconds = std::lround(std::max(0.0, p__double__Seconds));
    char l__CHAR__Text[32];
    std::snprintf(l__CHAR__Text, sizeof(l__CHAR__Text), "%ld:%02ld", l__long__Seconds / 60, l__long__Seconds % 60);
    return l__CHAR__Text;
}

}  // namespace

CTarnwick_CliReporter::Field CTarnwick_CliReporter::Field::Real(std::string p__Name, double p__Value) {
    return {std::move(p__Name), std::isfinite(p__Value) ? Fixed(p__Value, 3) : "null", true};
}

CTarnwick_CliReporter::Mode CTarnwick_CliReporter::Choose(bool p__bool__Json) {
    if (p__bool__Json) return Mode::Json;
    return isatty(STDOUT_FILENO) ? Mode::Terminal : Mode::Lines;
}

CTarnwick_CliReporter::CTarnwick_CliReporter(Mode p__Mode, std::FILE* p__Out, std::FILE* p__Err)
    : m__Mode(p__Mode), m__Out(p__Out), m__Err(p__Err), m__Start(std::chrono::steady_clock::now()) {}

std::string CTarnwick_CliReporter::JsonString(const std::string& p__string__Text) {
    std::string l__string__Json = "\"";
    for (unsigned char l__UCHAR__Character : p__string__Text) {
        switch (l__UCHAR__Character) {
            case '"': l__string__Json.append("\\\""); break;
            case '\\': l__string__Json.append("\\\\"); break;
            case '\n': l__string__Json.append("\\n"); break;
            case '\r': l__string__Json.append("\\r"); break;
            case '\t': l__string__Json.append("\\t"); break;
            default:
                if (l__UCHAR__Character < 0x20) {
                    char l__CHAR__Escape[8];
                    std::snprintf(l__CHAR__Escape, sizeof(l__CHAR__Escape), "\\u%04x", l__UCHAR__Character);
                    l__string__Json.append(l__CHAR__Escape);
                } else {
                    l__string__Json.push_back(static_cast<char>(l__UCHAR__Character));
                }
        }
    }
    l__string__Json.push_back('"');
    return l__string__Json;
}

std::string CTarnwick_CliReporter::Size(uint64_t p__Bytes) {
    if (p__Bytes >= 1000000000ull) return Fixed(p__Bytes / 1e9, 2).append(" GB");
    if (p__Bytes >= 1000000ull) return Fixed(p__Bytes / 1e6, 1).append(" MB");
    if (p__Bytes >= 1000ull) return Fixed(p__Bytes / 1e3, 1).append(" kB");
    return std::to_string(p__Bytes).append(" B");
}

void CTarnwick_CliReporter::Event(const std::string& p__string__Name, const std::vector<Field>& p__Fields,
                                  const std::string& p__Text) {
    if (m__Mode == Mode::Json) {
        std::string l__string__Line = "{\"event\":";
        l__string__Line.append(JsonString(p__string__Name));
        for (const Field& l__Field : p__Fields) {
            l__string__Line.append(",").append(JsonString(l__Field.m__string__Name)).append(":");
            l__string__Line.append(l__Field.m__bool__IsNumber ? l__Field.m__string__Text : JsonString(l__Field.m__string__Text));
        }
        l__string__Line.append("}\n");
        std::fputs(l__string__Line.c_str(), m__Out);
        std::fflush(m__Out);
        return;
    }
    if (!p__Text.empty()) Note(p__Text);
}

void CTarnwick_CliReporter::Note(const std::string& p__string__Text) {
    if (m__Mode == Mode::Json) return;
    const bool l__bool__Redraw = m__bool__LineOpen;
    if (m__bool__LineOpen) {
        // The note takes the progress line's place, and the line is drawn again below it: one
        // progress line on the screen at any time.
        std::fprintf(m__Out, "\r%s\r", std::string(m__SIZE__LineWidth, ' ').c_str());
        m__bool__LineOpen = false;
        m__SIZE__LineWidth = 0;
    }
    std::fputs(p__string__Text.c_str(), m__Out);
    std::fputs("\n", m__Out);
    if (l__bool__Redraw) Draw(false);
    std::fflush(m__Out);
}

void CTarnwick_CliReporter::Fail(const CTarnwick_CliFailure& p__Failure) {
    if (m__Mode == Mode::Json) {
        Event("error", {Field::Text("operation", p__Failure.Operation()), Field::Text("drive", p__Failure.Drive()),
                        Field::Number("number", p__Failure.Number()), Field::Text("text", p__Failure.Text()),
                        Field::Number("status", p__Failure.Status()), Field::Text("command", p__Failure.Command()),
                        Field::Text("cdb", p__Failure.Cdb()), Field::Text("sense", p__Failure.Sense()),
                        Field::Text("remedy", p__Failure.Remedy()), Field::Number("exit", p__Failure.ExitCode())});
        return;
    }
    if (m__bool__LineOpen) {
        std::fputs("\n", m__Out);
        std::fflush(m__Out);
        m__bool__LineOpen = false;
    }
    for (const std::string& l__string__Line : p__Failure.Lines()) std::fprintf(m__Err, "%s\n", l__string__Line.c_str());
    std::fflush(m__Err);
}

double CTarnwick_CliReporter::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m__Start).count();
}

void CTarnwick_CliReporter::BeginPhase(const std::string& p__string__Name, uint64_t p__Total, uint32_t p__BlockBytes,
                                       double p__BytesPerX) {
    m__string__Phase = p__string__Name;
    m__Total = p__Total;
    m__Done = 0;
    m__Base = 0;
    m__LastReported = 0;
    m__BlockBytes = p__BlockBytes == 0 ? 1 : p__BlockBytes;
    m__BytesPerX = p__BytesPerX;
    m__int__Buffer = -1;
    m__int__LastDecile = -1;
    m__Start = std::chrono::steady_clock::now();
    Event("phase-begin",
          {Field::Text("phase", m__string__Phase), Field::Number("total", static_cast<long long>(m__Total)),
           Field::Number("bytes", static_cast<long long>(m__Total * m__BlockBytes))},
          "");
    if (m__Mode != Mode::Json) Draw(false);
}

void CTarnwick_CliReporter::Progress(uint64_t p__Done) {
    m__Done = std::min(p__Done, m__Total);
    Draw(false);
}

void CTarnwick_CliReporter::Buffer(uint32_t p__Length, uint32_t p__Blank) {
    if (p__Length == 0) return;
    const uint32_t l__Blank = std::min(p__Blank, p__Length);
    m__int__Buffer = static_cast<int>((static_cast<uint64_t>(p__Length - l__Blank) * 100 + p__Length / 2) / p__Length);
    if (m__Mode == Mode::Json) {
        Event("buffer", {Field::Text("phase", m__string__Phase), Field::Number("length", p__Length),
                         Field::Number("free", l__Blank), Field::Number("fill", m__int__Buffer)});
        return;
    }
    Draw(false);
}

void CTarnwick_CliReporter::Draw(bool p__bool__Final) {
    const double l__double__Seconds = Seconds();
    const double l__double__Bytes = static_cast<double>(m__Done) * m__BlockBytes;
    const double l__double__Rate = l__double__Seconds > 0.05 ? l__double__Bytes / l__double__Seconds : 0;
    const int l__int__Percent = m__Total == 0 ? 100 : static_cast<int>(m__Done * 100 / m__Total);
    if (m__Mode == Mode::Json) {
        if (p__bool__Final) return;
        Event("progress", {Field::Text("phase", m__string__Phase), Field::Number("done", static_cast<long long>(m__Done)),
                           Field::Number("total", static_cast<long long>(m__Total)), Field::Number("percent", l__int__Percent),
                           Field::Real("mbps", l__double__Rate / 1e6),
                           Field::Real("x", m__BytesPerX > 0 ? l__double__Rate / m__BytesPerX : 0),
                           Field::Number("buffer", m__int__Buffer)});
        return;
    }
    std::string l__string__Line = m__string__Phase;
    l__string__Line.append(": ").append(std::to_string(l__int__Percent)).append("%");
    l__string__Line.append("  ").append(Size(static_cast<uint64_t>(l__double__Bytes))).append(" of ").append(
        Size(m__Total * m__BlockBytes));
    if (m__BytesPerX > 0) l__string__Line.append("  ").append(Fixed(l__double__Rate / m__BytesPerX, 1)).append("x");
    l__string__Line.append(" ").append(Fixed(l__double__Rate / 1e6, 2)).append(" MB/s");
    l__string__Line.append("  buffer ").append(m__int__Buffer < 0 ? std::string("--") : std::to_string(m__int__Buffer)).append("%");
    if (l__double__Rate > 0 && m__Done < m__Total) {
        const double l__double__Left = static_cast<double>(m__Total - m__Done) * m__BlockBytes / l__double__Rate;
        l__string__Line.append("  ").append(Duration(l__double__Left)).append(" left");
    }
    if (m__Mode == Mode::Terminal) {
        // One line drawn again in place; spaces clear what a longer line left.
        std::string l__string__Padded = l__string__Line;
        if (l__string__Padded.size() < m__SIZE__LineWidth) l__string__Padded.append(m__SIZE__LineWidth - l__string__Padded.size(), ' ');
        m__SIZE__LineWidth = l__string__Line.size();
        std::fprintf(m__Out, "\r%s", l__string__Padded.c_str());
        m__bool__LineOpen = true;
        std::fflush(m__Out);
        return;
    }
    // A line at every tenth reached.
    const int l__int__Decile = l__int__Percent / 10;
    if (l__int__Decile <= m__int__LastDecile) return;
    m__int__LastDecile = l__int__Decile;
    std::fprintf(m__Out, "%s\n", l__string__Line.c_str());
    std::fflush(m__Out);
}

void CTarnwick_CliReporter::EndPhase(bool p__bool__Succeeded) {
    if (p__bool__Succeeded) m__Done = m__Total;
    const double l__double__Seconds = Seconds();
    const uint64_t l__Bytes = m__Done * m__BlockBytes;
    const double l__double__Rate = l__double__Seconds > 0 ? l__Bytes / l__double__Seconds : 0;
    if (m__Mode != Mode::Json && p__bool__Succeeded) {
        if (m__Mode == Mode::Terminal) Draw(true);
        else if (m__int__LastDecile < 10) Draw(true);
    }
    if (m__bool__LineOpen) {
        std::fputs("\n", m__Out);
        m__bool__LineOpen = false;
        m__SIZE__LineWidth = 0;
    }
    std::string l__string__Summary = m__string__Phase;
    l__string__Summary.append(p__bool__Succeeded ? " done: " : " failed after ").append(Size(l__Bytes)).append(" in ").append(
        Duration(l__double__Seconds));
    l__string__Summary.append(", average ");
    if (m__BytesPerX > 0) l__string__Summary.append(Fixed(l__double__Rate / m__BytesPerX, 1)).append("x, ");
    l__string__Summary.append(Fixed(l__double__Rate / 1e6, 2)).append(" MB/s");
    Event("phase-end",
          {Field::Text("phase", m__string__Phase), Field::Flag("ok", p__bool__Succeeded),
           Field::Number("done", static_cast<long long>(m__Done)), Field::Number("bytes", static_cast<long long>(l__Bytes)),
           Field::Real("seconds", l__double__Seconds), Field::Real("mbps", l__double__Rate / 1e6)},
          l__string__Summary);
}

void CTarnwick_CliReporter::Callback(ULONG p__ULONG__Reason, PVOID p__PVOID__Context, PVOID p__PVOID__Parameter1,
                                     PVOID p__PVOID__Parameter2) {
    auto* l__Reporter = static_cast<CTarnwick_CliReporter*>(p__PVOID__Context);
    if (l__Reporter == nullptr) return;
    switch (p__ULONG__Reason) {
        case WRITE_PROGRESS:
        case GRAB_PROGRESS: {
            // (total, done) in blocks of the current call.
            if (p__PVOID__Parameter2 == nullptr) return;
            const LONGLONG l__LONGLONG__Done = *static_cast<const LONGLONG*>(p__PVOID__Parameter2);
            if (l__LONGLONG__Done < 0) return;
            l__Reporter->m__LastReported = static_cast<uint64_t>(l__LONGLONG__Done);
            l__Reporter->Progress(l__Reporter->m__Base + l__Reporter->m__LastReported);
            return;
        }
        case BUFFER_STATUS:
            if (p__PVOID__Parameter1 == nullptr || p__PVOID__Parameter2 == nullptr) return;
            l__Reporter->Buffer(*static_cast<const ULONG*>(p__PVOID__Parameter1), *static_cast<const ULONG*>(p__PVOID__Parameter2));
            return;
        case WAIT_CACHE_FULL_BEGIN: l__Reporter->Event("cache-fill-begin", {}); return;
        case WAIT_CACHE_FULL_END: l__Reporter->Event("cache-fill-end", {}); return;
        case SYNCHRONIZE_CACHE_BEGIN: l__Reporter->Event("synchronize-begin", {}); return;
        case SYNCHRONIZE_CACHE_END: l__Reporter->Event("synchronize-end", {}); return;
        case DVDPLUSRW_FORMAT_BEGIN:
        case DVDRAM_FORMAT_BEGIN:
        case BDRE_FORMAT_BEGIN: l__Reporter->Event("format-begin", {}, "formatting the disc..."); return;
        case DVDPLUSRW_FORMAT_END:
        case DVDRAM_FORMAT_END:
        case BDRE_FORMAT_END: l__Reporter->Event("format-end", {}, "formatted"); return;
        case BUFFER_UNDERRUN: l__Reporter->Event("buffer-underrun", {}, "the drive's buffer ran dry; the burn goes on"); return;
        case BAD_SECTOR_DETECTED: {
            long long l__LONGLONG__Lba = -1;
            if (p__PVOID__Parameter1 != nullptr) l__LONGLONG__Lba = *static_cast<const ULONG*>(p__PVOID__Parameter1);
            l__Reporter->Event("bad-sector", {Field::Number("lba", l__LONGLONG__Lba)},
                               std::string("unreadable block ").append(std::to_string(l__LONGLONG__Lba)).append(", written as zeros"));
            return;
        }
        case READ_ERROR_RETRY: l__Reporter->Event("read-retry", {}); return;
        default: return;
    }
}
