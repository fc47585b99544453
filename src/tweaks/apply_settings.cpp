#include "tweaks/apply_settings.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <set>
#include <span>
#include <string>

#include "core/errors.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"

namespace pallisar {

namespace {

void PlanInGroups(TweakPlan& plan, const TweakRow& row, TweakGroups groups, std::string_view data,
                  std::string_view subKey, std::string_view subValue) {
    const auto add = [&](std::string_view group) {
        plan.push_back(
            {row.Field, group, row.Variable, std::string(data), subKey, std::string(subValue)});
    };
    if (groups != TweakGroups::D3D) add(kGlideGroup);
    if (groups != TweakGroups::Glide) add(kD3DGroup);
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

void PlanRow(TweakPlan& plan, const TweakRow& row, const std::string& setting,
             std::string_view sliMode) {
    const std::string_view subKey = BookkeepingSubKey(row, sliMode);
    switch (row.Kind) {
        case TweakKind::Choice:
            if (const TweakChoice* choice = FindChoice(row, setting)) {
                PlanInGroups(plan, row, row.Groups, choice->Data, subKey, choice->SubValue);
            }
            break;
        case TweakKind::AntiAliasing:
            if (const auto cell = FindAntiAliasing(setting, sliMode)) {
                PlanInGroups(plan, row, row.Groups, cell->Data, subKey, cell->SubValue);
            }
            break;
        case TweakKind::LodBias: {
            const std::string data = LodBiasData(setting);
            PlanInGroups(plan, row, row.Groups, data, subKey, data);
            break;
        }
        case TweakKind::Gamma:
            break;  // written as a triple by PlanGamma
    }
}

// The gamma rows, which follow each other, as one triple per group: all of Glide's,
// then all of Direct3D's.
void PlanGamma(TweakPlan& plan, std::span<const TweakRow> rows, const TSettings& settings) {
    for (const TweakGroups group : {TweakGroups::Glide, TweakGroups::D3D}) {
        for (const TweakRow& row : rows) {
            PlanInGroups(plan, row, group, settings[row.Field], row.SubKey, "");
        }
    }
}

}  // namespace

long SetTweak(TweakContext& context, std::string_view group, std::string_view variable,
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
        return regError::kSuccess;
    } catch (const std::exception& error) {
        log.WriteLog("!ERROR! setting key: " + at + ":" + name);
        log.WriteLog("\t" + std::string(error.what()));
        const auto* refused = dynamic_cast<const RegistryError*>(&error);
        return refused && refused->Code() != 0 ? refused->Code() : -1;
    }
}

TweakPlan PlanSettings(const DriverState& driver, const TSettings& settings) {
    TweakPlan plan;
    const std::span<const TweakRow> rows = TweakCatalogue();
    for (auto row = rows.begin(); row != rows.end();) {
        if (row->Kind == TweakKind::Gamma) {
            const auto end = std::find_if(
                row, rows.end(), [](const TweakRow& r) { return r.Kind != TweakKind::Gamma; });
            PlanGamma(plan, {row, end}, settings);
            row = end;
            continue;
        }
        if (!(row->NotVoodoo3() && driver.IsVoodoo3)) {
            PlanRow(plan, *row, settings[row->Field], driver.SliMode);
        }
        ++row;
    }
    return plan;
}

TweakWriteReport ApplySettings(TweakContext& context, const TweakPlan& plan) {
    context.Log.WriteLog("");
    context.Log.WriteLog("Loading Enviroment Settings...");
    context.Log.WriteLog("");

    std::set<TweakField> written;
    std::set<TweakField> refused;
    TweakWriteReport report;
    for (const TweakWrite& write : plan) {
        written.insert(write.field);
        const long result = SetTweak(context, write.group, write.variable, write.data, write.subKey,
                                     write.subValue);
        if (result == regError::kSuccess) continue;
        if (refused.empty()) report.firstError = result;
        refused.insert(write.field);
    }
    report.settings = static_cast<int>(written.size());
    report.refused = static_cast<int>(refused.size());
    return report;
}

TweakWriteReport ApplySettings(TweakContext& context, const TSettings& settings) {
    return ApplySettings(context, PlanSettings(context.Driver, settings));
}

std::string RefusedSettingsText(const TweakWriteReport& report, const RegistryStore& registry) {
    if (report.refused == 0) return "";
    return std::to_string(report.refused) + " of " + std::to_string(report.settings) +
           " driver settings could not be written: " + registry.ErrorText(report.firstError);
}

}  // namespace pallisar
