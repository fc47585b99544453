// What a replacement cut short leaves, told from the names alone (see file_replace.h):
//   the file and "<stem>.tmp"            the new bytes were being written or had been:
//                                        the file is whole, the temporary one goes;
//   "<stem>.old" and "<stem>.tmp"        the old file was set aside after the new bytes
//                                        were flushed: the new copy takes the name;
//   the file and "<stem>.old"            the new file is in place: the old copy goes;
//   "<stem>.tmp" alone                   a first write that did not end: it goes;
//   the file, "<stem>.old" and ".tmp"    no single writer leaves this, but a rename that
//                                        failed and a later write making the file anew
//                                        do: every copy stays, and the log says so.
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "core/file_access.h"
#include "core/file_names.h"
#include "core/file_replace.h"
#include "core/text.h"

namespace pallisar {

namespace {

// The files one replacement left.
struct Copies {
    std::string temporary;
    std::string aside;
};

// The stem ("<writer>-<n>") and kind of a name that follows the file's own name and ".~".
struct LeftoverName {
    std::string writer;
    std::string stem;
    bool temporary = false;
};

bool IsHex(std::string_view text) {
    if (text.empty() || text.size() > 8) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// Only the names a writer makes: "<hex>.<hex>-<decimal>" and the kind.
std::optional<LeftoverName> ParseLeftover(std::string_view rest) {
    if (rest.size() < 4) return std::nullopt;
    const std::string_view ending = rest.substr(rest.size() - 4);
    const bool temporary = SameText(ending, ".tmp");
    if (!temporary && !SameText(ending, ".old")) return std::nullopt;
    const std::string_view stem = rest.substr(0, rest.size() - 4);
    const size_t dash = stem.rfind('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == stem.size()) return std::nullopt;
    for (char c : stem.substr(dash + 1)) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    const std::string_view writer = stem.substr(0, dash);
    const size_t dot = writer.find('.');
    if (dot == std::string_view::npos || !IsHex(writer.substr(0, dot)) ||
        !IsHex(writer.substr(dot + 1)))
        return std::nullopt;
    return LeftoverName{std::string(writer), std::string(stem), temporary};
}

bool Whole(const std::string& copy, const WholeContents& whole) {
    const std::optional<std::string> bytes = ReadFileBytes(copy);
    return bytes && (!whole || whole(*bytes));
}

}  // namespace

ReplacementFinish FinishInterruptedReplacements(const std::string& path, const WholeContents& whole,
                                                std::vector<std::string>* log) {
    const auto note = [log](std::string line) {
        if (log) log->push_back(std::move(line));
    };
    const std::string directory = ExtractFilePath(path);
    const std::string prefix = path.substr(directory.size()) + ".~";
    std::map<std::string, Copies> byReplacement;
    for (const std::string& name : FileNamesStartingWith(directory, prefix)) {
        const std::optional<LeftoverName> leftover =
            ParseLeftover(std::string_view(name).substr(prefix.size()));
        // Another launcher may be in the middle of its own replacement.
        if (!leftover || detail::FileWriterAlive(leftover->writer)) continue;
        Copies& copies = byReplacement[UpperCase(leftover->stem)];
        (leftover->temporary ? copies.temporary : copies.aside) = directory + name;
    }

    ReplacementFinish finish = ReplacementFinish::Nothing;
    for (auto& [stem, copies] : byReplacement) {
        if (!FileExists(path) && !copies.aside.empty()) {
            const bool takeNew = !copies.temporary.empty() && Whole(copies.temporary, whole);
            std::string& taken = takeNew ? copies.temporary : copies.aside;
            if (RenameProgramFile(taken, path)) {
                taken.clear();
                finish = takeNew ? ReplacementFinish::NewContents : ReplacementFinish::OldContents;
            } else {
                // Never a copy while the file is missing: the next start tries again.
                note("!ERROR! Interrupted write of " + path + ": " + taken +
                     " could not be renamed; every copy is kept for the next start.");
                continue;
            }
        }
        if (!copies.aside.empty() && !copies.temporary.empty()) {
            note("Interrupted write of " + path + ": both copies kept beside the file, " +
                 copies.aside + " and " + copies.temporary + ".");
            continue;
        }
        for (const std::string* copy : {&copies.temporary, &copies.aside}) {
            if (!copy->empty() && !RemoveProgramFile(*copy))
                note("!ERROR! Leftover of an interrupted write could not be removed: " + *copy);
        }
    }
    return finish;
}

}  // namespace pallisar
