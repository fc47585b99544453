#include "tweaks/apply_settings.h"

#include <cmath>
#include <exception>
#include <string>

#include "core/errors.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

constexpr std::string_view kGlide = "Glide";
constexpr std::string_view kD3D = "D3D";

void SetTweakInGroups(TweakContext& context, TweakGroups groups, std::string_view variable,
                      std::string_view data, std::string_view subKey, std::string_view subValue) {
    if (groups != TweakGroups::D3D) SetTweak(context, kGlide, variable, data, subKey, subValue);
    if (groups != TweakGroups::Glide) SetTweak(context, kD3D, variable, data, subKey, subValue);
}

// 4 x the LOD bias in its shortest decimal form.
std::string LodBiasData(const std::string& text) {
    const double product = StrToFloat(text) * 4;
    // A number that parses but overflows when multiplied would reach the driver as "INF".
    if (!std::isfinite(product)) {
        throw ConvertError("'" + text + "' is not a valid floating point value");
    }
    return FloatToStr(product);
}

void ApplyRow(TweakContext& context, const TweakRow& row, const std::string& setting) {
    switch (row.Kind) {
        case TweakKind::Choice:
            for (const TweakChoice& choice : row.Choices) {
                if (choice.Text == setting) {
                    SetTweakInGroups(context, row.Groups, row.Variable, choice.Data, row.SubKey,
                                     choice.SubValue);
                    break;
                }
            }
            break;
        case TweakKind::AntiAliasing:
            // The mode's own sub-key keeps the bookkeeping; with no mode the sub-key
            // name is empty and it lands in the group key itself.
            if (const auto cell = FindAntiAliasing(setting, context.Driver.SliMode)) {
                SetTweakInGroups(context, row.Groups, row.Variable, cell->Data,
                                 context.Driver.SliMode, cell->SubValue);
            }
            break;
        case TweakKind::LodBias: {
            const std::string data = LodBiasData(setting);
            SetTweakInGroups(context, row.Groups, row.Variable, data, row.SubKey, data);
            break;
        }
        case TweakKind::Verbatim:
            SetTweakInGroups(context, row.Groups, row.Variable, setting, row.SubKey, "");
            break;
    }
}

}  // namespace

void SetTweak(TweakContext& context, std::string_view group, std::string_view variable,
              std::string_view data, std::string_view subKey, std::string_view subValue) {
    TRegistryEnhanced& reg = context.Reg;
    LogWriter& log = context.Log;
    const std::string groupKey = context.Driver.DriverKey + "\\" + std::string(group);

    log.WriteLog("Setting " + std::string(group) + " Variable -- " + std::string(variable));
    try {
        reg.RootKey = TRootKey::hkLocalMachine;
        reg.Key = groupKey;
        if (data == kDeleteData) {
            reg.DeleteValue(variable);
            log.WriteLog("\tDelete Value: " + reg.Key + " : \"" + std::string(variable) + "\"");
        } else {
            reg.WriteValue(variable, data);
            log.WriteLog("\tSet Value: " + reg.Key + " : \"" + std::string(variable) +
                         "\" = " + std::string(data));
        }

        if (subKey != kNoSubKey) {
            reg.Key = groupKey + "\\" + std::string(subKey);
            const std::string prev = reg.ReadValueDefault("Value", "0");
            reg.WriteValue("Previous Value", prev);
            log.WriteLog("\tSet Value: " + reg.Key + " : \"Previous Value\" = " + prev);
            reg.WriteValue("Value", subValue);
            log.WriteLog("\tSet Value: " + reg.Key + " : \"Value\" = " + std::string(subValue));
        }
    } catch (const std::exception& error) {
        log.WriteLog("!ERROR! setting key: " + reg.Key + ":" + std::string(variable));
        log.WriteLog("\t" + std::string(error.what()));
    }
}

void ApplySettings(TweakContext& context, const TSettings& settings) {
    context.Log.WriteLog("");
    context.Log.WriteLog("Loading Enviroment Settings...");
    context.Log.WriteLog("");

    for (const TweakRow& row : TweakCatalogue()) {
        if (row.NotVoodoo3 && context.Driver.IsVoodoo3) continue;
        ApplyRow(context, row, settings[row.Field]);
    }
}

}  // namespace pallisar
