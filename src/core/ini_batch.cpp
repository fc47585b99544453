#include "core/ini_batch.h"

#include <utility>

#include "core/errors.h"
#include "core/ini_document.h"
#include "core/text.h"

namespace pallisar {

using detail::IniDocument;
using detail::LineKind;

struct IniBatch::Op {
    enum Kind { Write, Delete, Erase } kind;
    std::string section;
    std::string key;
    std::string value;
};

// The file as lines grouped by section. A section is split into its lines only when a
// read or a write needs them; the others stay as their bytes in the document read, so
// a batch over a big file costs little more than the sections it touches. Every edit
// is the edit IniFile makes on the bytes, made on the lines instead; an edit that would
// change how the file splits into lines or sections (a line break in a value, a key
// that reads as a section header) is made and then the whole text parsed again.
class IniBatch::Model {
  public:
    explicit Model(std::shared_ptr<const IniDocument> doc) { Load(std::move(doc)); }

    bool Apply(const Op& op) {
        bool changed = false;
        switch (op.kind) {
            case Op::Write:
                changed = Write(op.section, op.key, op.value);
                break;
            case Op::Delete:
                changed = Delete(op.section, op.key);
                break;
            case Op::Erase:
                changed = Erase(op.section);
                break;
        }
        if (reparse_) Load(detail::ParseIni(Text(), true));
        return changed;
    }

    const std::shared_ptr<const IniDocument>& Base() const { return doc_; }

    std::string Text() const {
        std::string text(doc_->bytes, 0, doc_->contentBegin);
        for (const Chunk& chunk : chunks_) {
            if (chunk.erased) continue;
            if (!chunk.loaded) {
                if (chunk.docEnd > chunk.docFirst)
                    text.append(doc_->bytes, lines_[chunk.docFirst].begin,
                                lines_[chunk.docEnd - 1].end - lines_[chunk.docFirst].begin);
                continue;
            }
            for (const BatchLine& line : chunk.lines) {
                text += line.body;
                text += line.eol;
            }
        }
        return text;
    }

    // The value of the key as in the file (quotes kept); null when it has none.
    const std::string* Read(std::string_view section, std::string_view key) {
        const size_t c = First(UpperCase(detail::TrimSpaces(section)));
        if (c == kNone) return nullptr;
        const BatchLine* line = FindKey(c, detail::TrimSpaces(key));
        return line && line->kind.hasValue ? &line->kind.value : nullptr;
    }

    std::vector<std::string> Sections() const {
        std::vector<std::string> names;
        for (const Chunk& chunk : chunks_)
            if (!chunk.erased && !chunk.name.empty()) names.push_back(chunk.name);
        return names;
    }

    std::vector<std::string> Keys(std::string_view section) {
        std::vector<std::string> names;
        const size_t c = First(UpperCase(section));
        if (c == kNone) return names;
        Materialize(c);
        for (const BatchLine& line : chunks_[c].lines) {
            if (line.kind.kind != LineKind::Entry) continue;
            const std::string& name = line.kind.name;
            if (!line.kind.hasValue || (!name.empty() && name.front() == ';')) continue;
            if (name.empty()) break;  // as IniSnapshot::ReadSection
            names.push_back(name);
        }
        return names;
    }

  private:
    static constexpr size_t kNone = detail::kNone;

    struct BatchLine {
        std::string body;
        std::string eol;
        LineKind kind;
    };

    struct Chunk {
        std::string name;  // "" for the lines before the first header
        bool header = false;
        bool erased = false;
        bool loaded = false;  // `lines` holds the lines; else they are in the document
        size_t docFirst = 0;  // its lines in lines_, while not loaded
        size_t docEnd = 0;
        std::vector<BatchLine> lines;
    };

    struct Place {
        size_t chunk;
        size_t line;
    };

    void Load(std::shared_ptr<const IniDocument> doc) {
        doc_ = std::move(doc);
        reparse_ = false;
        chunks_.clear();
        byName_.clear();
        lines_.clear();
        chunks_.reserve(doc_->sections.size() + 8);
        const std::string_view text = doc_->bytes;
        for (const detail::Section& s : doc_->sections) {
            Chunk chunk;
            chunk.name = s.name;
            chunk.header = s.header;
            chunk.docFirst = lines_.size();
            for (size_t pos = s.begin; pos < s.end; pos = lines_.back().end) {
                lines_.push_back(detail::NextLine(text, pos));
            }
            chunk.docEnd = lines_.size();
            byName_[UpperCase(s.name)].push_back(chunks_.size());
            chunks_.push_back(std::move(chunk));
        }
    }

    size_t First(const std::string& upperName) const {
        const auto it = byName_.find(upperName);
        return it == byName_.end() || it->second.empty() ? kNone : it->second.front();
    }

    void Materialize(size_t c) {
        Chunk& chunk = chunks_[c];
        if (chunk.loaded) return;
        chunk.loaded = true;
        chunk.lines.reserve(chunk.docEnd - chunk.docFirst + 4);
        const std::string_view bytes = doc_->bytes;
        for (size_t i = chunk.docFirst; i < chunk.docEnd; ++i) {
            const detail::Line& line = lines_[i];
            std::string_view body = bytes.substr(line.begin, line.bodyEnd - line.begin);
            chunk.lines.push_back({std::string(body),
                                   std::string(bytes.substr(line.bodyEnd, line.end - line.bodyEnd)),
                                   detail::ClassifyLine(body)});
        }
    }

    size_t LineCount(size_t c) const {
        const Chunk& chunk = chunks_[c];
        return chunk.loaded ? chunk.lines.size() : chunk.docEnd - chunk.docFirst;
    }
    std::string_view Body(Place p) const {
        const Chunk& chunk = chunks_[p.chunk];
        if (chunk.loaded) return chunk.lines[p.line].body;
        const detail::Line& line = lines_[chunk.docFirst + p.line];
        return std::string_view(doc_->bytes).substr(line.begin, line.bodyEnd - line.begin);
    }
    std::string_view Eol(Place p) const {
        const Chunk& chunk = chunks_[p.chunk];
        if (chunk.loaded) return chunk.lines[p.line].eol;
        const detail::Line& line = lines_[chunk.docFirst + p.line];
        return std::string_view(doc_->bytes).substr(line.bodyEnd, line.end - line.bodyEnd);
    }

    // The line before line `line` of chunk `c`; chunk kNone when none.
    Place Before(size_t c, size_t line) const {
        if (line > 0) return {c, line - 1};
        while (c-- > 0)
            if (!chunks_[c].erased && LineCount(c) > 0) return {c, LineCount(c) - 1};
        return {kNone, 0};
    }

    // Whether an LF follows the start of line `line` of chunk `c`.
    bool LfFrom(size_t c, size_t line) const {
        for (; c < chunks_.size(); ++c, line = 0) {
            if (chunks_[c].erased) continue;
            for (; line < LineCount(c); ++line)
                if (Eol({c, line}).find('\n') != std::string_view::npos) return true;
        }
        return false;
    }

    // The line end of lines inserted after `prev` (IniFile's InsertLines): CR LF,
    // except among lines that end with a lone CR (a file, or its tail, without LF).
    std::string LineEndAfter(Place prev, bool lfFollows) const {
        if (lfFollows) return "\r\n";
        for (Place p = prev; p.chunk != kNone; p = Before(p.chunk, p.line)) {
            const std::string_view eol = Eol(p);
            if (eol.find('\n') != std::string_view::npos) break;
            if (eol.find('\r') != std::string_view::npos ||
                Body(p).find('\r') != std::string_view::npos)
                return "\r";
        }
        return "\r\n";
    }

    // The last line of the file may lack its line end: it gets one before new lines.
    void EndLine(Place prev, const std::string& eol) {
        if (prev.chunk == kNone || !Eol(prev).empty()) return;
        Materialize(prev.chunk);
        chunks_[prev.chunk].lines[prev.line].eol = eol;
    }

    BatchLine MakeLine(std::string text, const std::string& eol, LineKind::Kind expected) {
        LineKind kind = detail::ClassifyLine(text);
        if (kind.kind != expected || text.find_first_of("\r\n") != std::string::npos)
            reparse_ = true;
        return {std::move(text), eol, std::move(kind)};
    }

    BatchLine* FindKey(size_t c, std::string_view key) {
        Materialize(c);
        for (BatchLine& line : chunks_[c].lines)
            if (line.kind.kind == LineKind::Entry && SameText(line.kind.name, key)) return &line;
        return nullptr;
    }

    bool Write(std::string_view section, std::string_view key, std::string_view value) {
        value = detail::TrimLeft(value);
        const std::string_view sectionName = detail::TrimSpaces(section);
        const std::string lineText = std::string(detail::TrimLeft(key)) + "=" + std::string(value);
        const size_t c = First(UpperCase(sectionName));
        if (c == kNone) {
            const Place prev = Before(chunks_.size(), 0);
            const std::string eol = LineEndAfter(prev, false);
            EndLine(prev, eol);
            Chunk chunk;
            chunk.header = true;
            chunk.loaded = true;
            chunk.lines.push_back(
                MakeLine("[" + std::string(sectionName) + "]", eol, LineKind::Header));
            chunk.lines.push_back(MakeLine(lineText, eol, LineKind::Entry));
            chunk.name = chunk.lines.front().kind.name;
            byName_[UpperCase(chunk.name)].push_back(chunks_.size());
            chunks_.push_back(std::move(chunk));
            return true;
        }
        if (BatchLine* line = FindKey(c, detail::TrimSpaces(key))) {
            if (line->kind.hasValue && line->kind.value == value) return false;
            *line =
                MakeLine(line->kind.name + "=" + std::string(value), line->eol, LineKind::Entry);
            return true;
        }
        // After the section's last line that is not blank, else after its header.
        std::vector<BatchLine>& lines = chunks_[c].lines;
        size_t at = lines.size();
        while (at > 0 && lines[at - 1].kind.kind == LineKind::Blank) --at;
        const Place prev = Before(c, at);
        const std::string eol = LineEndAfter(prev, LfFrom(c, at));
        EndLine(prev, eol);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                     MakeLine(lineText, eol, LineKind::Entry));
        return true;
    }

    bool Delete(std::string_view section, std::string_view key) {
        const auto it = byName_.find(UpperCase(section));
        if (it == byName_.end()) return false;
        // The API looks through every section of that name for the first such key.
        for (const size_t c : it->second) {
            BatchLine* line = FindKey(c, key);
            if (!line) continue;
            std::vector<BatchLine>& lines = chunks_[c].lines;
            lines.erase(lines.begin() + (line - lines.data()));
            return true;
        }
        return false;
    }

    bool Erase(std::string_view section) {
        const auto it = byName_.find(UpperCase(section));
        if (it == byName_.end() || it->second.empty()) return false;
        const size_t c = it->second.front();
        if (LineCount(c) == 0) return false;
        if (c == 0) {
            // The lines before the first header: gone, the (empty) section stays.
            chunks_[0].lines.clear();
            chunks_[0].loaded = true;
            return true;
        }
        chunks_[c].erased = true;
        chunks_[c].lines.clear();
        it->second.erase(it->second.begin());
        return true;
    }

    std::shared_ptr<const IniDocument> doc_;
    // The document's lines, for the batch alone (the document keeps only its sections).
    std::vector<detail::Line> lines_;
    std::vector<Chunk> chunks_;
    // Upper-cased name -> the sections of that name, in file order.
    std::unordered_map<std::string, std::vector<size_t>> byName_;
    bool reparse_ = false;
};

IniBatch::IniBatch(const IniFile& file) : path_(file.FileName()) {}

IniBatch::~IniBatch() = default;

IniBatch::Model& IniBatch::Current() const {
    if (!model_) model_ = std::make_unique<Model>(detail::LoadIni(path_));
    return *model_;
}

std::string IniBatch::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    // The API drops trailing spaces from the caller's default.
    while (!fallback.empty() && fallback.back() == ' ') fallback.remove_suffix(1);
    if (!key.empty())
        if (const std::string* value = Current().Read(section, key))
            return std::string(detail::Unquote(*value));
    return std::string(detail::Unquote(fallback));
}

std::vector<std::string> IniBatch::ReadSections() const { return Current().Sections(); }

std::vector<std::string> IniBatch::ReadSection(std::string_view section) const {
    return Current().Keys(section);
}

void IniBatch::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    ops_.push_back({Op::Write, std::string(section), std::string(key), std::string(value)});
    changed_ = Current().Apply(ops_.back()) || changed_;
}

void IniBatch::DeleteKey(std::string_view section, std::string_view key) {
    ops_.push_back({Op::Delete, std::string(section), std::string(key), {}});
    changed_ = Current().Apply(ops_.back()) || changed_;
}

void IniBatch::EraseSection(std::string_view section) {
    ops_.push_back({Op::Erase, std::string(section), {}, {}});
    changed_ = Current().Apply(ops_.back()) || changed_;
}

void IniBatch::Commit() {
    if (!changed_) return;
    const std::shared_ptr<const IniDocument> now = detail::LoadIni(path_);
    const IniDocument& base = *Current().Base();
    if (now.get() != &base && (now->exists != base.exists || now->bytes != base.bytes)) {
        // Changed meanwhile: the same writes on the file as it is now.
        auto fresh = std::make_unique<Model>(now);
        bool changed = false;
        for (const Op& op : ops_) changed = fresh->Apply(op) || changed;
        model_ = std::move(fresh);
        if (!changed) {
            ops_.clear();
            changed_ = false;
            return;
        }
    }
    detail::StoreIni(path_, model_->Text());
    // The next use reads the file again (parsing it only then: a commit is often the
    // command's last use of the batch).
    model_.reset();
    ops_.clear();
    changed_ = false;
}

}  // namespace pallisar
