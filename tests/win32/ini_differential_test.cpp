// The INI engine against Windows' own profile API (under Wine): thousands of
// generated files and operation sequences, every read, section list and key list
// compared with GetPrivateProfileStringA / GetPrivateProfileSectionNamesA, every
// write done by both (IniFile and WritePrivateProfileStringA) on copies of the same
// file and the results compared by reading them back, and byte for byte where the
// file is in the form the API itself writes.
//
// Deliberate differences (not counted as mismatches, each handled where noted):
//  1. Wine rewrites the whole file from its parsed form after a write: blank lines
//     dropped, blanks around names and "=" dropped, every line end CR LF. Windows, and
//     this engine, change only the line concerned and keep every other byte. Bytes
//     are therefore compared only for files already in that form ("canonical" cases);
//     otherwise the written files are compared by what they read back.
//  2. Wine's rewrite (1) drops the header of a section whose name is blank ("[]"),
//     which moves the keys below it into the section before; the engine keeps the
//     header. Where the original file has such a header, the results of the writes
//     are compared only as the engine wrote them (read by both), not with Wine's.
//  3. A quoted value with exactly 2047 characters between its quotes: Wine returns
//     2046 of them (an off-by-one in PROFILE_CopyEntry when the closing quote falls
//     just past the buffer). The engine returns all 2047, as for any value that fits.
//     The generator avoids exactly that length; iniFileTest covers the engine's side.
//  4. Only ASCII letters fold when names are matched; Wine folds every
//     letter of the code page. Generated names use ASCII letters only.
//  5. A default made of blanks only: Wine keeps one blank of it (its trimming loop
//     stops at the first character). The engine drops all trailing blanks as the
//     documentation of the API says. Generated defaults are never all blanks.
//  6. Values containing line breaks are written raw by both but are never written by
//     the program (titles and values hold no line break); not generated for writes.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/file_replace.h"
#include "core/ini_file.h"
#include "support/temp_dir.h"

using namespace pallisar;
using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;
using pallisar::test::WriteFileBytes;
using Names = std::vector<std::string>;

namespace {

constexpr int kCases = 5000;

std::string Escape(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\\')
            out += "\\\\";
        else if (c < 0x20 || c >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else
            out += static_cast<char>(c);
    }
    out += "\"";
    static const bool full = std::getenv("INI_DIFF_FULL") != nullptr;
    if (!full && out.size() > 240)
        out = out.substr(0, 200) + "...(" + std::to_string(s.size()) + " bytes)";
    return out;
}

std::string Join(const Names& names) {
    std::string out = "{";
    for (const auto& n : names) out += Escape(n) + ",";
    return out + "}";
}

// ----------------------------------------------------------------------- the platform

std::atomic<double> gApiSeconds{0};
std::atomic<double> gOurSeconds{0};
struct OurTimer {
    LARGE_INTEGER start;
    OurTimer() { QueryPerformanceCounter(&start); }
    ~OurTimer() {
        LARGE_INTEGER end, freq;
        QueryPerformanceCounter(&end);
        QueryPerformanceFrequency(&freq);
        gOurSeconds = gOurSeconds + double(end.QuadPart - start.QuadPart) / double(freq.QuadPart);
    }
};
struct ApiTimer {
    LARGE_INTEGER start;
    ApiTimer() { QueryPerformanceCounter(&start); }
    ~ApiTimer() {
        LARGE_INTEGER end, freq;
        QueryPerformanceCounter(&end);
        QueryPerformanceFrequency(&freq);
        gApiSeconds = gApiSeconds + double(end.QuadPart - start.QuadPart) / double(freq.QuadPart);
    }
};

std::string ApiRead(const std::string& path, const std::string& section, const std::string& key,
                    const std::string& fallback) {
    std::vector<char> buffer(2048 + 16, '\x7F');
    ApiTimer timer;
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(),
                                             buffer.data(), 2048, path.c_str());
    return std::string(buffer.data(), n);
}

Names SplitList(const std::vector<char>& buffer, DWORD n) {
    Names names;
    size_t pos = 0;
    while (pos < n) {
        const std::string name(buffer.data() + pos);
        names.push_back(name);
        pos += name.size() + 1;
    }
    return names;
}

Names ApiKeys(const std::string& path, const std::string& section) {
    thread_local std::vector<char> buffer(1 << 20);
    ApiTimer timer;
    const DWORD n = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), path.c_str());
    // The list as the program walks it: it ends at an empty string.
    Names names;
    for (auto& name : SplitList(buffer, n)) {
        if (name.empty()) break;
        names.push_back(name);
    }
    return names;
}

Names ApiSections(const std::string& path) {
    thread_local std::vector<char> buffer(1 << 20);
    ApiTimer timer;
    const DWORD n = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()),
                                                   path.c_str());
    return SplitList(buffer, n);
}

// ---------------------------------------------------------------------- the generator

class Generator {
  public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int Below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T>
    const T& Pick(const std::vector<T>& items) {
        return items[Below(static_cast<int>(items.size()))];
    }

    std::string Cased(std::string s) {
        const int mode = Below(4);
        for (char& c : s) {
            if (mode == 1 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            if (mode == 2 && c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            if (mode == 3 && Chance(50) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
                c = static_cast<char>(c ^ 0x20);
        }
        return s;
    }

    std::string Blanks() {
        static const std::vector<std::string> blanks = {"",     "",     "",     " ",    "  ",  "\t",
                                                        " \t ", "\x0B", "\x0C", "\x1A", "\xA0"};
        return Pick(blanks);
    }

    std::string SectionName() {
        static const std::vector<std::string> names = {"Program",
                                                       "Game One",
                                                       "A",
                                                       "b",
                                                       "Quake III: Arena",
                                                       "x=y",
                                                       "semi;colon",
                                                       "Unreal Tournament",
                                                       "a]b",
                                                       "Q\"uoted\"",
                                                       "'s'",
                                                       "GLIDE",
                                                       "dup",
                                                       "Dup",
                                                       "[nested",
                                                       "with  two  blanks",
                                                       "caf\xE9",
                                                       "\x80\xFF",
                                                       "1.01"};
        return Cased(Pick(names));
    }

    std::string KeyName() {
        static const std::vector<std::string> names = {
            "Run", "Params",  "IconName",  "GameOnly",    "k",         "Key",      "a b",
            "x",   "Version", "ViewStyle", "GenerateLog", "\"q\"",     "'q'",      ";c",
            "#h",  "[k]",     "LODBias",   "AA",          "D3DVSynch", "\xE9t\xE9"};
        return Cased(Pick(names));
    }

    std::string Value() {
        switch (Below(16)) {
            case 0:
                return "";
            case 1:
                return "Enable";
            case 2:
                return "\"quoted value\"";
            case 3:
                return "'single'";
            case 4:
                return "\"unbalanced";
            case 5:
                return "unbalanced\"";
            case 6:
                return "\"\"";
            case 7:
                return Pick(std::vector<std::string>{"0x1", "$1F", "yes", "0", "-2", " 7"});
            case 8:
                return "a=b;c[d]";
            case 9:
                return "inner  blanks\tand tab";
            case 10:
                return "\xE9\xA0\x85\x81\xFF";
            case 11: {
                // Long values around the 2047-character limit (not 2047 between quotes:
                // see 3).
                const int length = 2040 + Below(20);
                std::string v(static_cast<size_t>(length), 'v');
                v[0] = static_cast<char>('a' + Below(26));
                if (Chance(40)) {
                    v.front() = '"';
                    v.back() = '"';
                    if (length == 2049) v += "x";
                }
                return v;
            }
            case 12:
                return "\"";
            case 13:
                return "'";
            case 14:
                return "C:\\Games\\Quake\\quake3.exe,0";
            default:
                return "v" + std::to_string(Below(1000));
        }
    }

    // A whole file: sections, keys, comments and odd lines with varied line ends.
    std::string File(bool canonical) {
        std::string eol;
        const int style = Below(10);
        std::string text;
        const int lines = Below(25);
        for (int i = 0; i < lines; ++i) {
            if (canonical)
                eol = "\r\n";
            else if (style < 3)
                eol = "\r\n";
            else if (style < 6)
                eol = "\n";
            else if (style < 8)
                eol = Chance(50) ? "\r\n" : "\n";
            else if (style < 9)
                eol = Pick(std::vector<std::string>{"\r\n", "\n", "\r\r\n", "\n\n", "\r\n\r\n"});
            else
                eol = "\r";
            text += Line(canonical, i == 0) + eol;
        }
        if (!canonical && Chance(20) && !text.empty()) {
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        }
        return text;
    }

    std::string Line(bool canonical, bool first) {
        const int kind = Below(canonical ? 10 : 16);
        if (canonical) {
            if (kind < 3 || first) return "[" + SectionName() + "]";
            std::string key = KeyName();
            while (key[0] == '[') key = KeyName();  // would be a section header
            if (kind < 9) return key + "=" + CanonicalValue();
            return key;
        }
        switch (kind) {
            case 0:
            case 1:
            case 2:
                return Blanks() + "[" + Blanks() + SectionName() + Blanks() + "]" + Blanks();
            case 3:
                return "[" + SectionName() + "] trailing";
            case 4:
                return "[" + SectionName();
            case 5:
                return Pick(std::vector<std::string>{"[]", "[ ]", "[a]b]", "]x[", "[=]"});
            case 6:
                return Blanks();
            case 7:
                return ";" + KeyName() + "=" + Value();
            case 8:
                return KeyName() + Blanks();
            case 9:
                return Blanks() + "=" + Value();
            default:
                return Blanks() + KeyName() + Blanks() + "=" + Blanks() + Value() + Blanks();
        }
    }

    std::string CanonicalValue() {
        for (;;) {
            std::string v = Value();
            if (v.empty() ||
                (v.front() != ' ' && v.back() != ' ' && v.front() != '\t' && v.back() != '\t'))
                return v;
        }
    }

    std::string Fallback() {
        return Pick(
            std::vector<std::string>{"", "dflt", "dflt  ", "\"q\"", "  lead", "'x'", "0.9"});
    }

    std::string QuerySection() {
        return Chance(15) ? Blanks() + SectionName() + Blanks() : SectionName();
    }
    std::string QueryKey() { return Chance(15) ? Blanks() + KeyName() + Blanks() : KeyName(); }

  private:
    std::mt19937 rng_;
};

// ----------------------------------------------------------------------- the comparer

bool IsBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u == ' ' || (u >= 0x09 && u <= 0x0D) || u == 0x1A;
}

// A section header whose name is blank ("[]", "[ ]x"): Wine's rewrite drops such a
// header, which moves the keys below it into the section before.
bool HasUnnamedSection(const std::string& text) {
    std::string line;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r') {
            line += text[i];
            continue;
        }
        size_t b = 0;
        while (b < line.size() && IsBlank(line[b])) ++b;
        const size_t close = line.rfind(']');
        if (b < line.size() && line[b] == '[' && close != std::string::npos && close > b) {
            bool blank = true;
            for (size_t j = b + 1; j < close; ++j) blank = blank && IsBlank(line[j]);
            if (blank) return true;
        }
        line.clear();
    }
    return false;
}

class Differential {
  public:
    void SetDirectory(const std::string& dir) { dir_ = dir; }

    int cases = 0;
    long long comparisons = 0;
    int mismatches = 0;

    void Mismatch(const std::string& what) {
        ++mismatches;
        if (mismatches <= 40) std::printf("MISMATCH case %d: %s\n", current_, what.c_str());
    }

    // A file name Wine has not seen yet (its profile cache is keyed by name).
    std::string FreshName(const char* tag) {
        made_.push_back(dir_ + tag + std::to_string(serial_++) + ".ini");
        return made_.back();
    }

    // Compares every kind of read of `ours` (read with IniFile) and `theirs` (read
    // with the API); both hold the same profile.
    void CompareReads(Generator& gen, const std::string& ours, const std::string& theirs,
                      const std::string& context) {
        // The section list through IniFile, the rest from one snapshot of the same file
        // (same reading code; it spares opening the file again for every read).
        IniFile file(ours);
        Names ourSections;
        std::optional<IniSnapshot> snapshot;
        {
            OurTimer t;
            ourSections = file.ReadSections();
            snapshot.emplace(file.Snapshot());
        }
        const IniSnapshot& ini = *snapshot;
        const Names apiSections = ApiSections(theirs);
        ++comparisons;
        if (ourSections != apiSections)
            Mismatch(context + " sections ours " + Join(ourSections) + " api " + Join(apiSections));

        // Every section listed, and some that are not, with every key each lists.
        Names sections = ourSections;
        if (sections.size() > 5) sections.resize(5);
        sections.push_back(gen.QuerySection());
        for (const std::string& section : sections) {
            Names ourKeys;
            {
                OurTimer t;
                ourKeys = ini.ReadSection(section);
            }
            const Names apiKeys = ApiKeys(theirs, section);
            ++comparisons;
            if (ourKeys != apiKeys)
                Mismatch(context + " keys of " + Escape(section) + " ours " + Join(ourKeys) +
                         " api " + Join(apiKeys));
            Names keys = ourKeys;
            if (keys.size() > 3) keys.resize(3);
            keys.push_back(gen.QueryKey());
            for (const std::string& key : keys) {
                const std::string fallback = gen.Fallback();
                std::string ourValue;
                {
                    OurTimer t;
                    ourValue = ini.ReadString(section, key, fallback);
                }
                const std::string apiValue = ApiRead(theirs, section, key, fallback);
                ++comparisons;
                if (ourValue != apiValue)
                    Mismatch(context + " read " + Escape(section) + " " + Escape(key) + " dflt " +
                             Escape(fallback) + " ours " + Escape(ourValue) + " api " +
                             Escape(apiValue));
            }
        }
    }

    void RunCase(int index) {
        RunCaseFiles(index);
        // Every file name is used once (Wine's cache is keyed by name); the files go.
        for (const std::string& file : made_) DeleteFileA(file.c_str());
        made_.clear();
    }

    void RunCaseFiles(int index) {
        current_ = index;
        ++cases;
        Generator gen(0x1AC0FFEEu + static_cast<unsigned>(index));
        const bool canonical = gen.Chance(30);
        const bool missing = gen.Chance(4);
        const std::string original = missing ? "" : gen.File(canonical);
        const std::string context = (canonical ? "canonical file " : "file ") + Escape(original);

        const std::string ours = FreshName("o");
        std::string theirs = FreshName("w");
        if (!missing) {
            WriteFileBytes(ours, original);
            WriteFileBytes(theirs, original);
        }
        CompareReads(gen, ours, theirs, context);

        // A sequence of writes, done by both on their own copy.
        IniFile ini(ours);
        std::string ops;
        const int steps = 1 + gen.Below(4);
        for (int step = 0; step < steps; ++step) {
            // Wine must read its copy afresh for every step.
            const std::string next = FreshName("w");
            if (FileExistsAt(theirs)) WriteFileBytes(next, ReadFileBytes(theirs));
            theirs = next;

            // On a canonical file only writes that keep it canonical (no blanks around
            // names, no value with trailing blanks, no key that reads as a header).
            const int kind = gen.Below(10);
            const std::string section =
                !canonical && gen.Chance(10) ? gen.QuerySection() : gen.SectionName();
            std::string key = !canonical && gen.Chance(10) ? gen.QueryKey() : gen.KeyName();
            while (canonical && key[0] == '[') key = gen.KeyName();
            BOOL apiOk;
            bool ourOk = true;
            try {
                if (kind < 7) {
                    std::string value = canonical ? gen.CanonicalValue() : gen.Value();
                    ops +=
                        "write " + Escape(section) + " " + Escape(key) + " " + Escape(value) + "; ";
                    ini.WriteString(section, key, value);
                    apiOk = WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                                       theirs.c_str());
                } else if (kind < 9) {
                    ops += "delete " + Escape(section) + " " + Escape(key) + "; ";
                    ini.DeleteKey(section, key);
                    apiOk = WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr,
                                                       theirs.c_str());
                } else {
                    ops += "erase " + Escape(section) + "; ";
                    ini.EraseSection(section);
                    apiOk = WritePrivateProfileStringA(section.c_str(), nullptr, nullptr,
                                                       theirs.c_str());
                }
            } catch (const Error& e) {
                ourOk = false;
                apiOk = TRUE;
                Mismatch(context + " ops " + ops + " raised " + e.what());
            }
            ++comparisons;
            if (ourOk && !apiOk) Mismatch(context + " ops " + ops + " API refused the write");
        }
        const bool ourExists = FileExistsAt(ours);
        const bool apiExists = FileExistsAt(theirs);
        ++comparisons;
        if (ourExists != apiExists)
            Mismatch(context + " ops " + ops + " file exists ours " + std::to_string(ourExists) +
                     " api " + std::to_string(apiExists));
        if (canonical && ourExists && apiExists) {
            const std::string ourBytes = ReadFileBytes(ours);
            const std::string apiBytes = ReadFileBytes(theirs);
            ++comparisons;
            if (ourBytes != apiBytes)
                Mismatch(context + " ops " + ops + " bytes ours " + Escape(ourBytes) + " api " +
                         Escape(apiBytes));
        }
        // The engine's result read by both.
        const std::string copy = FreshName("w");
        if (ourExists) WriteFileBytes(copy, ReadFileBytes(ours));
        CompareReads(gen, ours, copy, context + " after " + ops + " (ours read by both)");
        // What each engine wrote, each reading its own result: not where Wine's rewrite
        // changed the meaning of the file (deliberate difference 1).
        if (!HasUnnamedSection(original)) {
            const std::string fresh = FreshName("w");
            if (apiExists) WriteFileBytes(fresh, ReadFileBytes(theirs));
            CompareReads(gen, ours, fresh, context + " after " + ops);
        }
    }

  private:
    static bool FileExistsAt(const std::string& path) { return pallisar::test::FileExistsAt(path); }

    std::string dir_;
    std::vector<std::string> made_;
    int serial_ = 0;
    int current_ = 0;
};

}  // namespace

TEST(IniDifferential, MatchesTheProfileApiOnGeneratedFiles) {
    // INI_DIFF_FIRST and INI_DIFF_COUNT pick cases to run again; INI_DIFF_FULL prints
    // whole files in mismatch reports.
    int first = 0, count = kCases;
    if (const char* env = std::getenv("INI_DIFF_FIRST")) first = std::atoi(env);
    if (const char* env = std::getenv("INI_DIFF_COUNT")) count = std::atoi(env);
    // Thousands of throw-away files: what they hold counts, not that they reach the disk.
    FlushFileReplacements(false);
    TempDir dir;
    Differential diff;
    diff.SetDirectory(dir.Path());
    for (int i = first; i < first + count; ++i) diff.RunCase(i);
    std::printf("time in the profile API: %.1f s, in reads of the engine %.1f s\n",
                gApiSeconds.load(), gOurSeconds.load());
    std::printf("INI differential: %d cases, %lld comparisons, %d mismatches\n", diff.cases,
                diff.comparisons, diff.mismatches);
    FlushFileReplacements(true);
    EXPECT_EQ(diff.mismatches, 0);
}
