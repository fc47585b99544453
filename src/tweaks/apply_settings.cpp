#include "tweaks/apply_settings.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <span>
#include <string>

#include "core/errors.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

void SetTweakInGroups(TweakContext& context, TweakGroups groups, std::string_view variable,
                      std::string_view data, std::string_view subKey, std::string_view subValue) {
    if (groups != TweakGroups::D3D) {
        SetTweak(context, kGlideGroup, variable, data, subKey, subValue);
    }
    if (groups != TweakGroups::Glide)
        SetTweak(context, kD3DGroup, variable, data, subKey, subValue);
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
    const std::string_view subKey = BookkeepingSubKey(row, context.Driver.SliMode);
    switch (row.Kind) {
        case TweakKind::Choice:
            if (const TweakChoice* choice = FindChoice(row, setting)) {
                SetTweakInGroups(context, row.Groups, row.Variable, choice->Data, subKey,
                                 choice->SubValue);
            }
            break;
        case TweakKind::AntiAliasing:
            if (const auto cell = FindAntiAliasing(setting, context.Driver.SliMode)) {
                SetTweakInGroups(context, row.Groups, row.Variable, cell->Data, subKey,
                                 cell->SubValue);
            }
            break;
        case TweakKind::LodBias: {
            const std::string data = LodBiasData(setting);
            SetTweakInGroups(context, row.Groups, row.Variable, data, subKey, data);
            break;
        }
        case TweakKind::Gamma:
            break;  // written as a triple by ApplyGamma
    }
}

// The gamma rows, which follow each other, as one triple per group: all of Glide's,
// then all of Direct3D's.
void ApplyGamma(TweakContext& context, std::span<const TweakRow> rows, const TSettings& settings) {
    for (const TweakGroups group : {TweakGroups::Glide, TweakGroups::D3D}) {
        for (const TweakRow& row : rows) {
            SetTweakInGroups(context, group, row.Variable, settings[row.Field], row.SubKey, "");
        }
    }
}

}  // namespace

void SetTweak(TweakContext& context, std::string_view group, std::string_view variable,
              std::string_view data, std::string_view subKey, std::string_view subValue) {
    LogWriter& log = context.Log;
    const std::string name(variable);
    // The key being written, for the error line.
    std::string at = context.GroupKey(group);

    log.WriteLog("Setting " + std::string(group) + " Variable -- " + name);
    try {
        const TRegistryEnhanced::BaseKey groupKey = context.Machine(at);
        if (data == kDeleteData) {
            groupKey.DeleteValue(variable);
            log.WriteLog("\tDelete Value: " + at + " : \"" + name + "\"");
        } else {
            groupKey.WriteValue(variable, data);
            log.WriteLog("\tSet Value: " + at + " : \"" + name + "\" = " + std::string(data));
        }

        if (subKey != kNoSubKey) {
            at = context.GroupKey(group, subKey);
            const TRegistryEnhanced::BaseKey bookkeeping = context.Machine(at);
            const std::string prev = bookkeeping.ReadValueDefault("Value", "0");
            bookkeeping.WriteValue("Previous Value", prev);
            log.WriteLog("\tSet Value: " + at + " : \"Previous Value\" = " + prev);
            bookkeeping.WriteValue("Value", subValue);
            log.WriteLog("\tSet Value: " + at + " : \"Value\" = " + std::string(subValue));
        }
    } catch (const std::exception& error) {
        log.WriteLog("!ERROR! setting key: " + at + ":" + name);
        log.WriteLog("\t" + std::string(error.what()));
    }
}

void ApplySettings(TweakContext& context, const TSettings& settings) {
    context.Log.WriteLog("");
    context.Log.WriteLog("Loading Enviroment Settings...");
    context.Log.WriteLog("");

    const std::span<const TweakRow> rows = TweakCatalogue();
    for (auto row = rows.begin(); row != rows.end();) {
        if (row->Kind == TweakKind::Gamma) {
            const auto end = std::find_if(
                row, rows.end(), [](const TweakRow& r) { return r.Kind != TweakKind::Gamma; });
            ApplyGamma(context, {row, end}, settings);
            row = end;
            continue;
        }
        if (!(row->NotVoodoo3() && context.Driver.IsVoodoo3)) {
            ApplyRow(context, *row, settings[row->Field]);
        }
        ++row;
    }
}

}  // namespace pallisar
