#include "core/ini_file.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/errors.h"
#include "core/file_access.h"
#include "core/file_replace.h"
#include "core/ini_batch.h"
#include "core/ini_document.h"
#include "core/text.h"

namespace pallisar {

namespace detail {

// ---------------------------------------------------------------------------------
// Parsing, with the rules of the Windows profile API as Wine implements them.

// The reader's buffer holds 2048 characters with the terminating zero.
constexpr size_t kMaxValue = 2047;

bool IsProfileSpace(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == ' ' || (u >= 0x09 && u <= 0x0D) || u == 0x1A;
}

std::string_view TrimSpaces(std::string_view s) {
    while (!s.empty() && IsProfileSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsProfileSpace(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsProfileSpace(s.front())) s.remove_prefix(1);
    return s;
}

namespace {
// Names and values are C strings to the profile API: a zero byte ends them.
std::string_view CutAtZero(std::string_view s) {
    const size_t zero = s.find('\0');
    return zero == std::string_view::npos ? s : s.substr(0, zero);
}
}  // namespace

// One pair of enclosing quotes (both ' or both ") is dropped, then the text is cut
// to what the reader's buffer holds.
std::string_view Unquote(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        s = s.substr(1, s.size() - 2);
    return s.substr(0, std::min(s.size(), kMaxValue));
}

size_t FoldedHash::operator()(std::string_view name) const {
    size_t hash = 2166136261u;  // FNV-1a
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c)) *
               16777619u;
    }
    return hash;
}

bool FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    return SameText(a, b);
}

const Section* IniDocument::FindSection(std::string_view name) const {
    const auto it = firstSection.find(name);
    return it == firstSection.end() ? nullptr : &sections[it->second];
}

LineParts SplitLine(std::string_view text) {
    LineParts parts;
    const std::string_view content = TrimSpaces(text);
    if (content.empty()) return parts;
    if (content.front() == '[') {
        const size_t close = content.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            parts.kind = LineParts::Header;
            parts.name = CutAtZero(TrimSpaces(content.substr(1, close - 1)));
            return parts;
        }
        // A "[" without "]" is an ordinary line of the current section.
    }
    parts.kind = LineParts::Entry;
    const size_t eq = content.find('=');
    if (eq == std::string_view::npos) {
        parts.name = CutAtZero(content);
        return parts;
    }
    std::string_view name = content.substr(0, eq);
    while (!name.empty() && IsProfileSpace(name.back())) name.remove_suffix(1);
    parts.name = CutAtZero(name);
    parts.hasValue = true;
    parts.value = CutAtZero(TrimLeft(content.substr(eq + 1)));
    return parts;
}

LineKind ClassifyLine(std::string_view text) {
    const LineParts parts = SplitLine(text);
    return {parts.kind, std::string(parts.name), parts.hasValue, std::string(parts.value)};
}

Line NextLine(std::string_view text, size_t pos) {
    size_t term = text.find('\n', pos);
    if (term == std::string_view::npos) term = text.find('\r', pos);
    const size_t next = term == std::string_view::npos ? text.size() : term + 1;
    size_t bodyEnd = term == std::string_view::npos ? text.size() : term;
    while (bodyEnd > pos && text[bodyEnd - 1] == '\r') --bodyEnd;
    return {pos, bodyEnd, next};
}

std::shared_ptr<IniDocument> ParseIni(std::string bytes, bool exists) {
    auto doc = std::make_shared<IniDocument>();
    doc->exists = exists;
    doc->bytes = std::move(bytes);
    const std::string_view text = doc->bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") doc->contentBegin = 3;

    doc->sections.push_back({"", false, doc->contentBegin, doc->contentBegin});
    size_t pos = doc->contentBegin;
    while (pos < text.size()) {
        const Line line = NextLine(text, pos);
        const LineParts parts = SplitLine(text.substr(pos, line.end - pos));
        if (parts.kind == LineParts::Header) {
            doc->sections.push_back({parts.name, true, pos, line.end});
        } else {
            doc->sections.back().end = line.end;
        }
        pos = line.end;
    }
    for (size_t i = 0; i < doc->sections.size(); ++i)
        doc->firstSection.emplace(doc->sections[i].name, i);
    return doc;
}

}  // namespace detail

namespace {

using detail::IniDocument;
using detail::Section;
using detail::TrimSpaces;
using detail::Unquote;
using Document = detail::IniDocument;

std::shared_ptr<Document> Parse(std::string bytes, bool exists) {
    return detail::ParseIni(std::move(bytes), exists);
}

// ---------------------------------------------------------------------------------
// File access and the cache of parsed files.

long long NowSeconds() { return static_cast<long long>(std::time(nullptr)); }

// A file whose modification time lies this many seconds before the moment it was read
// cannot change again without its time stamp changing too: the coarsest time stamps
// (FAT) count in 2-second steps, and one more second covers rounding.
constexpr long long kSettleSeconds = 3;

// The cache keeps parsed files. An entry is trusted on its time stamp and size alone
// only when it is settled (see kSettleSeconds); otherwise the file is read again and
// compared byte for byte, which still saves the parsing. Only the user-interface thread
// reads the program's files, so the cache takes no lock.
struct CacheEntry {
    FileStamp stamp;
    bool settled = false;
    std::shared_ptr<const Document> doc;
};

class Cache {
  public:
    std::shared_ptr<const Document> Load(const std::string& path) {
        // The stamp is taken before the bytes are read: a change made meanwhile shows
        // as a different stamp at the next read, which then reads the file again.
        const FileStamp stamp = StatFile(path);
        std::shared_ptr<const Document> cached;
        const auto it = entries_.find(path);
        if (it != entries_.end()) {
            if (it->second.settled && it->second.stamp == stamp) return it->second.doc;
            cached = it->second.doc;
        }
        std::optional<std::string> bytes;
        if (stamp.exists) bytes = ReadFileBytes(path, stamp.size);
        if (!bytes) {
            Forget(path);
            return Empty();
        }
        const long long readAt = NowSeconds();
        std::shared_ptr<const Document> doc;
        if (cached && cached->exists && cached->bytes == *bytes)
            doc = cached;
        else
            doc = Parse(std::move(*bytes), true);
        Store(path, stamp, readAt - stamp.writeSeconds >= kSettleSeconds, doc);
        return doc;
    }

    void Forget(const std::string& path) { entries_.erase(path); }

    static std::shared_ptr<const Document> Empty() {
        static const std::shared_ptr<const Document> empty = Parse("", false);
        return empty;
    }

  private:
    void Store(const std::string& path, const FileStamp& stamp, bool settled,
               std::shared_ptr<const Document> doc) {
        if (entries_.size() >= kMaxEntries && entries_.find(path) == entries_.end())
            entries_.clear();
        entries_[path] = CacheEntry{stamp, settled && stamp.exists, std::move(doc)};
    }

    static constexpr size_t kMaxEntries = 16;
    std::unordered_map<std::string, CacheEntry> entries_;
};

Cache& TheCache() {
    static Cache cache;
    return cache;
}

}  // namespace

std::shared_ptr<const IniDocument> detail::LoadIni(const std::string& path) {
    return TheCache().Load(path);
}

void detail::StoreIni(const std::string& path, std::string_view bytes) {
    // The file is parsed again at its next read, not here: after a batch's single write
    // that read may never come in this command.
    TheCache().Forget(path);
    if (!ReplaceFileContents(path, bytes)) throw FileWriteError(path);
}

namespace {

using detail::LineParts;

// Calls `visit` with each key line of the section (a line neither blank nor its
// header), in file order, until it returns false.
template <typename Visit>
void ForEachKey(const IniDocument& doc, const Section& section, Visit visit) {
    const std::string_view text = doc.bytes;
    size_t pos = section.begin;
    if (section.header && pos < section.end) pos = detail::NextLine(text, pos).end;
    while (pos < section.end) {
        const size_t next = detail::NextLine(text, pos).end;
        const LineParts parts = detail::SplitLine(text.substr(pos, next - pos));
        pos = next;
        if (parts.kind == LineParts::Entry && !visit(parts)) return;
    }
}

// The first key line of that name in the section; none when there is none.
std::optional<LineParts> FindKey(const IniDocument& doc, const Section& section,
                                 std::string_view name) {
    std::optional<LineParts> found;
    ForEachKey(doc, section, [&](const LineParts& key) {
        if (SameText(key.name, name)) found = key;
        return !found;
    });
    return found;
}

}  // namespace

// ------------------------------------------------------------------------- reading

IniSnapshot::IniSnapshot(std::shared_ptr<const detail::IniDocument> doc) : doc_(std::move(doc)) {}

std::string IniSnapshot::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
    // The API drops trailing spaces from the caller's default.
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    if (key.empty()) return std::string(Unquote(fallback));
    const Section* found = doc_->FindSection(TrimSpaces(section));
    const std::optional<LineParts> entry =
        found ? FindKey(*doc_, *found, TrimSpaces(key)) : std::nullopt;
    if (!entry || !entry->hasValue) return std::string(Unquote(fallback));
    return std::string(Unquote(entry->value));
}

int IniSnapshot::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    return StrToIntDef(ReadString(section, key, ""), fallback);
}

bool IniSnapshot::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

std::vector<std::string> IniSnapshot::ReadSections() const {
    std::vector<std::string> names;
    for (const Section& section : doc_->sections)
        if (!section.name.empty()) names.emplace_back(section.name);
    return names;
}

std::vector<std::string> IniSnapshot::ReadSection(std::string_view section) const {
    std::vector<std::string> names;
    // The key list takes the section name as given (a read trims it).
    const Section* found = doc_->FindSection(section);
    if (!found) return names;
    ForEachKey(*doc_, *found, [&](const LineParts& key) {
        // Comments and lines without "=" are not listed.
        if (!key.hasValue || (!key.name.empty() && key.name.front() == ';')) return true;
        // The API lists a key without a name as an empty string, which ends the list
        // for whoever walks it (the API itself returns nothing at all when the list
        // starts with one).
        if (key.name.empty()) return false;
        names.emplace_back(key.name);
        return true;
    });
    return names;
}

bool IniSnapshot::SectionExists(std::string_view section) const {
    return !ReadSection(section).empty();
}

bool IniSnapshot::ValueExists(std::string_view section, std::string_view key) const {
    for (const std::string& name : ReadSection(section))
        if (SameText(name, key)) return true;
    return false;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

IniSnapshot IniFile::Snapshot() const { return IniSnapshot(TheCache().Load(path_)); }

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    if (key.empty()) return IniSnapshot(TheCache().Empty()).ReadString(section, key, fallback);
    return Snapshot().ReadString(section, key, fallback);
}

std::vector<std::string> IniFile::ReadSections() const { return Snapshot().ReadSections(); }

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
    return Snapshot().ReadSection(section);
}

// ------------------------------------------------------------------------- writing

// One write is a batch of one: the rules of writing live in IniBatch alone.
void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    IniBatch batch(*this);
    batch.WriteString(section, key, value);
    batch.Commit();
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    IniBatch batch(*this);
    batch.DeleteKey(section, key);
    batch.Commit();
}

void IniFile::EraseSection(std::string_view section) {
    IniBatch batch(*this);
    batch.EraseSection(section);
    batch.Commit();
}

}  // namespace pallisar
