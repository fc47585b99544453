#include "ui/interrupted_writes.h"

#include "app/game_entry.h"
#include "app/program_settings.h"
#include "core/byte_source.h"
#include "core/file_names.h"
#include "core/file_replace.h"
#include "core/icon_resources.h"
#include "ui/main_window.h"

namespace pallisar {

namespace {

// Any bytes make an INI file: its copies are taken as they are.
bool WholeIcon(std::string_view bytes) {
    const MemoryByteSource source(bytes);
    return CountIcons(source) > 0 && ReadIcon(source, 0).has_value();
}

}  // namespace

std::vector<std::string> FinishInterruptedWrites(const std::string& programDir) {
    const std::pair<const char*, WholeContents> files[] = {
        {kCatalogueFileName, {}},
        {ProgramSettings::kFileName, {}},
        {kIconFileName, WholeIcon},
    };
    std::vector<std::string> lines;
    for (const auto& [name, whole] : files) {
        const std::string path = FindFileNoCase(programDir, name);
        std::vector<std::string> kept;
        const ReplacementFinish finish = FinishInterruptedReplacements(path, whole, &kept);
        switch (finish) {
            case ReplacementFinish::NewContents:
                lines.push_back("Interrupted write of " + path + " completed.");
                break;
            case ReplacementFinish::OldContents:
                lines.push_back("Interrupted write of " + path +
                                " undone: its previous contents were kept.");
                break;
            case ReplacementFinish::Nothing:
                break;
        }
        lines.insert(lines.end(), kept.begin(), kept.end());
    }
    return lines;
}

}  // namespace pallisar
