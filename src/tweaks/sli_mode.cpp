#include "tweaks/sli_mode.h"

namespace pallisar {

void DetectSliMode(TweakContext& context) {
    if (context.Driver.IsVoodoo3) return;
    for (const std::string_view name : kSliModeNames) {
        const auto mode = context.Machine(context.GroupKey(kGlideGroup, name));
        // A REG_DWORD 0 reads as "0" too; a missing key or value reads as empty.
        if (mode.ReadValueDefault("Disabled", "") == "0") {
            context.Driver.SliMode = name;
            context.Log.WriteLog("\tUsing " + std::string(name));
        }
    }
}

const std::vector<std::string>& DefaultAntiAliasingChoices() {
    static const std::vector<std::string> choices = AntiAliasingItems("");
    return choices;
}

std::optional<std::vector<std::string>> AntiAliasingChoices(const DriverState& driver) {
    if (driver.IsVoodoo3) return std::nullopt;
    for (const std::string_view mode : kSliModeNames) {
        if (driver.SliMode == mode) return AntiAliasingItems(mode);
    }
    return std::nullopt;
}

}  // namespace pallisar
