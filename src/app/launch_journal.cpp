#include "app/launch_journal.h"

#include <cstdint>
#include <set>
#include <vector>

#include "core/file_access.h"
#include "core/file_names.h"
#include "core/file_replace.h"
#include "core/text.h"

namespace pallisar {

namespace {

constexpr std::string_view kHeader = "Pallisar Game Launcher Launch Journal";
constexpr std::string_view kEol = "\r\n";

constexpr std::pair<JournalPhase, std::string_view> kPhaseNames[] = {
    {JournalPhase::Applying, "Applying"},
    {JournalPhase::Running, "Running"},
    {JournalPhase::Restoring, "Restoring"},
};

// The recorded values in the order the Previous line holds them.
constexpr std::string TPrevSettings::*kPreviousFields[] = {
    &TPrevSettings::GlideAAToggleKey, &TPrevSettings::GlideVSync,  &TPrevSettings::GlideRGamma,
    &TPrevSettings::GlideGGamma,      &TPrevSettings::GlideBGamma, &TPrevSettings::D3DAAToggleKey,
    &TPrevSettings::D3DVSync,         &TPrevSettings::D3DRGamma,   &TPrevSettings::D3DGGamma,
    &TPrevSettings::D3DBGamma,
};

bool Plain(unsigned char c) { return c > 0x20 && c < 0x7F && c != '%'; }

std::string Escape(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (Plain(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unescape(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (Plain(c)) {
            out += static_cast<char>(c);
            continue;
        }
        if (c != '%' || i + 2 >= text.size()) return false;
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

std::vector<std::string_view> SplitSpaces(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t space = text.find(' ', start);
        parts.push_back(text.substr(start, space - start));
        if (space == std::string_view::npos) return parts;
        start = space + 1;
    }
}

// FNV-1a, 32 bits.
uint32_t Checksum(std::string_view bytes) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
    return hash;
}

std::string EndLine(std::string_view body) {
    return "End=" + std::to_string(body.size()) + " " + HexText(Checksum(body), 8);
}

bool ParseNumber(std::string_view text, unsigned long long& number) {
    if (text.empty() || text.size() > 10) return false;
    number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

// Reads the lines of a journal body one by one.
class Lines {
  public:
    explicit Lines(std::string_view body) : rest_(body) {}
    bool Done() const { return rest_.empty(); }
    // The next line's data when it is named `name`.
    bool Next(std::string_view name, std::string_view& data) {
        const size_t eol = rest_.find(kEol);
        if (eol == std::string_view::npos) return false;
        const std::string_view line = rest_.substr(0, eol);
        if (line.size() < name.size() + 1 || line.substr(0, name.size()) != name ||
            line[name.size()] != '=') {
            return false;
        }
        data = line.substr(name.size() + 1);
        rest_.remove_prefix(eol + kEol.size());
        return true;
    }
    bool NextText(std::string_view name, std::string& text) {
        std::string_view data;
        return Next(name, data) && Unescape(data, text);
    }

  private:
    std::string_view rest_;
};

bool ParseBody(std::string_view body, JournalRecord& record) {
    Lines lines(body);
    std::string phase;
    if (!lines.NextText("Phase", phase)) return false;
    bool known = false;
    for (const auto& [value, name] : kPhaseNames) {
        if (phase == name) {
            record.Phase = value;
            known = true;
        }
    }
    if (!known) return false;
    if (!lines.NextText("DriverKey", record.DriverKey) || !lines.NextText("Title", record.Title) ||
        !lines.NextText("Started", record.Started)) {
        return false;
    }
    std::string_view data;
    if (!lines.Next("Previous", data)) return false;
    const auto fields = SplitSpaces(data);
    if (fields.size() != std::size(kPreviousFields)) return false;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (!Unescape(fields[i], record.Previous.*kPreviousFields[i])) return false;
    }

    std::set<std::string> seen;  // key paths in upper case
    while (!lines.Done()) {
        if (lines.Next("Key", data)) {
            SnapshotKey key;
            if (!Unescape(data, key.Path) || !IsSnapshotPath(key.Path)) return false;
            const size_t last = key.Path.rfind('\\');
            // Each key after the one that holds it, and only once.
            if (last != std::string::npos && !seen.count(UpperCase(key.Path.substr(0, last)))) {
                return false;
            }
            if (!seen.insert(UpperCase(key.Path)).second) return false;
            record.Snapshot.Keys.push_back(std::move(key));
        } else if (lines.Next("Value", data)) {
            const auto parts = SplitSpaces(data);
            unsigned long long type = 0;
            SnapshotValue value;
            if (record.Snapshot.Keys.empty() || parts.size() != 3 ||
                !Unescape(parts[0], value.Name) || !ParseNumber(parts[1], type) ||
                type > 0xFFFFFFFFull || !Unescape(parts[2], value.Value.data)) {
                return false;
            }
            value.Value.type = static_cast<RegType>(type);
            record.Snapshot.Keys.back().Values.push_back(std::move(value));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::string_view JournalPhaseName(JournalPhase phase) {
    for (const auto& [value, name] : kPhaseNames) {
        if (value == phase) return name;
    }
    return {};
}

std::string FormatJournal(const JournalRecord& record) {
    std::string body;
    const auto line = [&body](std::string_view name, std::string_view data) {
        body.append(name).append("=").append(data).append(kEol);
    };
    body.append(kHeader).append(kEol);
    line("Version", std::to_string(kJournalVersion));
    line("Phase", JournalPhaseName(record.Phase));
    line("DriverKey", Escape(record.DriverKey));
    line("Title", Escape(record.Title));
    line("Started", Escape(record.Started));
    std::string previous;
    for (size_t i = 0; i < std::size(kPreviousFields); ++i) {
        if (i > 0) previous += ' ';
        previous += Escape(record.Previous.*kPreviousFields[i]);
    }
    line("Previous", previous);
    for (const SnapshotKey& key : record.Snapshot.Keys) {
        line("Key", Escape(key.Path));
        for (const SnapshotValue& value : key.Values) {
            line("Value", Escape(value.Name) + " " +
                              std::to_string(static_cast<uint32_t>(value.Value.type)) + " " +
                              Escape(value.Value.data));
        }
    }
    return body + EndLine(body) + std::string(kEol);
}

std::optional<JournalRecord> ParseJournal(std::string_view bytes, JournalProblem* problem) {
    *problem = JournalProblem::Damaged;
    const std::string header = std::string(kHeader) + std::string(kEol) + "Version=";
    if (bytes.substr(0, header.size()) != header) return std::nullopt;
    const std::string_view afterHeader = bytes.substr(header.size());
    unsigned long long version = 0;
    const size_t versionEnd = afterHeader.find(kEol);
    if (versionEnd == std::string_view::npos ||
        !ParseNumber(afterHeader.substr(0, versionEnd), version)) {
        return std::nullopt;
    }
    if (version > static_cast<unsigned long long>(kJournalVersion)) {
        *problem = JournalProblem::NewerVersion;
        return std::nullopt;
    }
    if (version != static_cast<unsigned long long>(kJournalVersion)) return std::nullopt;

    // The last line ends the file and vouches for everything before it.
    if (bytes.size() < kEol.size() || bytes.substr(bytes.size() - kEol.size()) != kEol) {
        return std::nullopt;
    }
    const std::string_view withoutEol = bytes.substr(0, bytes.size() - kEol.size());
    const size_t endStart = withoutEol.rfind(kEol);
    if (endStart == std::string_view::npos) return std::nullopt;
    const std::string_view body = bytes.substr(0, endStart + kEol.size());
    if (withoutEol.substr(endStart + kEol.size()) != EndLine(body)) return std::nullopt;

    JournalRecord record;
    if (!ParseBody(body.substr(header.size() + versionEnd + kEol.size()), record)) {
        return std::nullopt;
    }
    *problem = JournalProblem::None;
    return record;
}

LaunchJournal::LaunchJournal(std::string programDir, const DateTimeSource& clock, LaunchLock* lock)
    : dir_(std::move(programDir)), clock_(clock), lock_(lock) {}

std::string LaunchJournal::Path() const { return FindFileNoCase(dir_, kFileName); }

std::string LaunchJournal::Now() const { return clock_.ShortDate() + " " + clock_.LongTime(); }

bool LaunchJournal::Write(const JournalRecord& record) {
    return ReplaceFileContents(Path(), FormatJournal(record));
}

bool LaunchJournal::Exists() const { return FileExists(Path()); }

std::optional<std::string> LaunchJournal::Read(std::vector<std::string>* log) const {
    const std::string path = Path();
    FinishInterruptedReplacements(
        path,
        [](std::string_view bytes) {
            JournalProblem problem = JournalProblem::None;
            ParseJournal(bytes, &problem);
            return problem != JournalProblem::Damaged;
        },
        log);
    return ReadFileBytes(path);
}

bool LaunchJournal::Remove() { return RemoveProgramFile(Path()); }

std::string LaunchJournal::SetAside() {
    const std::string path = Path();
    for (int number = 1; number < 100000; ++number) {
        const std::string aside = path + ".bad" + std::to_string(number);
        if (FileExists(aside)) continue;
        return RenameProgramFile(path, aside) ? aside : std::string();
    }
    return {};
}

}  // namespace pallisar
