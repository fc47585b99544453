#include "tweaks/sli_mode.h"

namespace pallisar {

namespace {

constexpr const char* kFastest = "Fastest Performance";
constexpr const char* kSingleChip = "Single Chip Only";
constexpr const char* kTwoSample = "2 Sample Anti-Aliasing";
constexpr const char* kFourSample = "4 Sample Anti-Aliasing";
constexpr const char* kEightSample = "8 Sample Anti-Aliasing";

}  // namespace

void DetectSliMode(TweakContext& context) {
    if (context.Driver.IsVoodoo3) return;
    for (const char* name : kSliModeNames) {
        context.Reg.RootKey = TRootKey::hkLocalMachine;
        context.Reg.Key = context.Driver.DriverKey + "\\Glide\\" + name;
        // A REG_DWORD 0 reads as "0" too; a missing key or value reads as empty.
        if (context.Reg.ReadValueDefault("Disabled", "") == "0") {
            context.Driver.SliMode = name;
            context.Log.WriteLog(std::string("\tUsing ") + name);
        }
    }
}

const std::vector<std::string>& DefaultAntiAliasingChoices() {
    static const std::vector<std::string> choices = {kSingleChip, kFastest, kTwoSample,
                                                     kFourSample};
    return choices;
}

std::optional<std::vector<std::string>> AntiAliasingChoices(const DriverState& driver) {
    if (driver.IsVoodoo3) return std::nullopt;
    if (driver.SliMode == "SingleChipAASLI") {
        return std::vector<std::string>{kFastest, kTwoSample};
    }
    if (driver.SliMode == "DualChipAASLI") {
        return std::vector<std::string>{kSingleChip, kFastest, kTwoSample, kFourSample};
    }
    if (driver.SliMode == "QuadChipAASLI") {
        return std::vector<std::string>{kSingleChip, kFastest, kTwoSample, kFourSample,
                                        kEightSample};
    }
    return std::nullopt;
}

}  // namespace pallisar
