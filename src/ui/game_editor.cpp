#include "ui/game_editor.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

#include "app/game_entry.h"
#include "app/program_settings.h"
#include "core/file_names.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"
#include "ui/presets.h"

namespace pallisar {

namespace {

using F = TweakField;

const TweakBox& BoxFacts(EditorBox box) {
    return TweakOf(box.Field).Boxes[static_cast<std::size_t>(box.Tab)];
}

// The tweak rows' boxes, tab by tab, each tab's by line.
const std::vector<EditorBox>& AllBoxes() {
    static const std::vector<EditorBox> boxes = [] {
        std::vector<EditorBox> all;
        for (const TweakRow& row : TweakCatalogue()) {
            for (std::size_t tab = 0; tab < kTweakTabCount; ++tab) {
                if (row.Boxes[tab].Exists()) all.push_back({row.Field, static_cast<TweakTab>(tab)});
            }
        }
        std::sort(all.begin(), all.end(), [](EditorBox a, EditorBox b) {
            return std::pair(a.Tab, BoxFacts(a).Line) < std::pair(b.Tab, BoxFacts(b).Line);
        });
        return all;
    }();
    return boxes;
}

// The box that shows the same item as `box` on the other tab while the editor is open.
std::optional<EditorBox> LinkedBox(EditorBox box) {
    if (!TweakOf(box.Field).Linked()) return std::nullopt;
    for (const EditorBox other : AllBoxes()) {
        if (other.Tab != box.Tab && TweakOf(other.Field).Linked() &&
            LabelOf(other) == LabelOf(box)) {
            return other;
        }
    }
    return std::nullopt;
}

// The keys a rename copies from the old entry to the new title, in this order: it
// fixes the order of the keys in the new section.
constexpr F kRenameCopiedTweaks[] = {
    F::Splash,
    F::TextureCompression,
    F::AlphaBlending,
    F::ColorDepth,
    F::MIPMap,
    F::D3DMIPMap,
    F::MaxBufferedFrames,
    F::D3DMaxBufferedFrames,
    F::TDFilterQuality,
    F::AA,
    F::TripleBuffering,
    F::glAAToggle,
    F::D3DAAToggle,
    F::LODBias,
    F::ZBuffer,
    F::RGamma,
    F::GGamma,
    F::gl16BitZPrecision,
    F::gl32BitZPrecision,
    F::glHSR,
    F::glGuardbandClipping,
};

int IndexOfText(const std::vector<std::string>& items, std::string_view text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameText(items[i], text)) return static_cast<int>(i);
    }
    return -1;
}

// The item a stored text selects: the matching item, else the box's fallback.
int ItemFor(const ComboBoxState& box, const TweakRow& row, std::string_view text) {
    const int match = IndexOfText(box.Items, text);
    if (match >= 0) return match;
    if (!row.Fallback.empty()) return IndexOfText(box.Items, row.Fallback);
    return box.Items.empty() ? -1 : 0;
}

// A gamma text as a slider position: the hundredfold, which must be a whole number.
int GammaPosition(const std::string& text) { return StrToInt(FloatToStr(StrToFloat(text) * 100)); }

std::string GammaLabel(int position) { return FormatFloat00(position / 100.0); }

}  // namespace

std::string ComboBoxState::Text() const {
    if (ItemIndex < 0 || ItemIndex >= static_cast<int>(Items.size())) return {};
    return Items[ItemIndex];
}

const char* TabCaption(EditorTab tab) {
    switch (tab) {
        case EditorTab::Properties:
            return "Properties";
        case EditorTab::GlideSettings:
            return "Glide/OpenGL Settings";
        case EditorTab::Direct3DSettings:
            return "Direct3D Settings";
        case EditorTab::Gamma:
            return "Gamma";
    }
    return "";
}

std::span<const EditorBox> EditorBoxes() { return AllBoxes(); }

std::size_t BoxIndex(EditorBox box) {
    static const auto byField = [] {
        std::array<std::array<std::size_t, kTweakTabCount>, kTweakFieldCount> index{};
        const std::vector<EditorBox>& boxes = AllBoxes();
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            index[static_cast<std::size_t>(boxes[i].Field)]
                 [static_cast<std::size_t>(boxes[i].Tab)] = i;
        }
        return index;
    }();
    return byField[static_cast<std::size_t>(box.Field)][static_cast<std::size_t>(box.Tab)];
}

std::string_view BoxName(EditorBox box) { return BoxFacts(box).Name; }

EditorBox BoxOf(TweakField field) {
    const bool onGlideTab = TweakOf(field).Boxes[0].Exists();
    return {field, onGlideTab ? TweakTab::Glide : TweakTab::Direct3D};
}

EditorTab TabOf(EditorBox box) {
    return box.Tab == TweakTab::Glide ? EditorTab::GlideSettings : EditorTab::Direct3DSettings;
}

std::string_view LabelOf(EditorBox box) { return TweakOf(box.Field).Label; }

int LineOf(EditorBox box, bool voodoo3) {
    const TweakBox& facts = BoxFacts(box);
    return voodoo3 && !HiddenOnVoodoo3(box) ? facts.Voodoo3Line : facts.Line;
}

bool HiddenOnVoodoo3(EditorBox box) { return BoxFacts(box).Voodoo3Line == kHiddenOnVoodoo3; }

TfmGlide::TfmGlide(GameEditorServices services)
    : services_(std::move(services)), boxes_(EditorBoxes().size()) {
    for (const EditorBox box : EditorBoxes()) {
        const TweakRow& tweak = TweakOf(box.Field);
        std::vector<std::string>& items = Box(box).Items;
        for (const TweakChoice& choice : tweak.Choices) items.emplace_back(choice.Item);
        if (tweak.Kind == TweakKind::AntiAliasing) items = AntiAliasingItems("");
    }
    BuildLodLists();
    FillPresets(SortedPresetNames(ProgramSettings(services_.programDir).File()));

    const std::pair<TCustomSlider*, std::string*> sliders[] = {
        {&slRGamma, &lblRGamma}, {&slGGamma, &lblGGamma}, {&slBGamma, &lblBGamma}};
    for (const auto& entry : sliders) {
        TCustomSlider* const slider = entry.first;
        slider->SetMinValue(kGammaMin);
        slider->SetMaxValue(kGammaMax);
        slider->SetValue(kGammaDefault);
        *entry.second = GammaLabel(kGammaDefault);
        slider->OnChange = [this, slider] { GammaChange(*slider); };
    }
    slRGamma.SetIncrement(1);
    slGGamma.SetIncrement(10);
    slBGamma.SetIncrement(1);
    slRGamma.SetOptions(soShowFocus | soSmooth);
    slGGamma.SetOptions(soShowFocus | soSmooth);
    slBGamma.SetOptions(soShowFocus);
}

void TfmGlide::BuildLodLists() {
    const ProgramSettings settings(services_.programDir);
    double high = 0;
    double low = 0;
    if (TryStrToFloat(settings.LODHighRange(), high) &&
        TryStrToFloat(settings.LODLowRange(), low)) {
        high *= 4;
        low *= 4;
    } else {
        high = 8;
        low = -8;
    }
    std::vector<std::string> items;
    for (long long q = RoundHalfEven(low), last = RoundHalfEven(high); q <= last; ++q) {
        items.push_back(FloatToStr(q / 4.0));
    }
    Box({F::LODBias, TweakTab::Glide}).Items = items;
    Box({F::LODBias, TweakTab::Direct3D}).Items = std::move(items);
}

void TfmGlide::FillPresets(const std::vector<std::string>& names) {
    cbxGlidePresets.Items = names;
    cbxGlidePresets.ItemIndex = -1;
    cbxD3DPresets.Items = names;
    cbxD3DPresets.ItemIndex = -1;
}

template <typename Action>
void TfmGlide::Handle(Action&& action) {
    ++busy_;
    try {
        action();
    } catch (...) {
        --busy_;
        Changed();
        throw;
    }
    --busy_;
    Changed();
}

void TfmGlide::Changed() {
    if (busy_ == 0 && host_) host_->StateChanged();
}

void TfmGlide::SetAntiAliasingItems(const std::vector<std::string>& items) {
    Box({F::AA, TweakTab::Glide}).Items = items;
    Box({F::AA, TweakTab::Direct3D}).Items = items;
}

void TfmGlide::ReduceForVoodoo3() {
    reducedForVoodoo3_ = true;
    for (const EditorBox box : EditorBoxes()) {
        if (HiddenOnVoodoo3(box)) Box(box).Visible = false;
    }
}

void TfmGlide::LoadSettings(const TSettings& settings) {
    Handle([&] {
        for (const EditorBox box : EditorBoxes()) {
            ComboBoxState& shown = Box(box);
            shown.ItemIndex = ItemFor(shown, TweakOf(box.Field), settings[box.Field]);
        }
        slRGamma.SetValue(GammaPosition(settings[F::RGamma]));
        slGGamma.SetValue(GammaPosition(settings[F::GGamma]));
        slBGamma.SetValue(GammaPosition(settings[F::BGamma]));
        if (slRGamma.Value() == slGGamma.Value() && slGGamma.Value() == slBGamma.Value()) {
            chkLockGammaSliders.Checked = true;
        }
    });
}

void TfmGlide::GammaChange(TCustomSlider& slider) {
    Handle([&] {
        TCustomSlider* const order[] = {&slRGamma, &slGGamma, &slBGamma};
        std::string* const labels[] = {&lblRGamma, &lblGGamma, &lblBGamma};
        const auto self = std::find(std::begin(order), std::end(order), &slider) - order;
        *labels[self] = GammaLabel(slider.Value());
        if (chkLockGammaSliders.Checked) {
            // Red moves green then blue, green moves red then blue, blue moves green then red.
            static constexpr int kOthers[3][2] = {{1, 2}, {0, 2}, {1, 0}};
            for (int other : kOthers[self]) order[other]->SetValue(slider.Value());
        }
        if (slRGamma.Value() == slGGamma.Value() && slGGamma.Value() == slBGamma.Value()) {
            chkLockGammaSliders.Checked = true;
        }
    });
}

void TfmGlide::btnDefaultGammaClick() {
    Handle([&] {
        slGGamma.SetValue(kGammaDefault);
        slRGamma.SetValue(kGammaDefault);
        slBGamma.SetValue(kGammaDefault);
    });
}

void TfmGlide::BoxChange(EditorBox box) {
    Handle([&] {
        switch (BoxFacts(box).Clears) {
            case PresetBox::Glide:
                cbxGlidePresets.ItemIndex = -1;
                break;
            case PresetBox::Direct3D:
                cbxD3DPresets.ItemIndex = -1;
                break;
            case PresetBox::None:
                break;
        }
        if (const auto linked = LinkedBox(box)) Box(*linked).ItemIndex = Box(box).ItemIndex;
    });
}

void TfmGlide::chkConfigClick() {
    Handle([&] {
        const bool configOnly = chkConfig.Checked;
        edPath.Enabled = !configOnly;
        edCommandLine.Enabled = !configOnly;
        chkFollowStarted.Enabled = !configOnly;
        EnableModeBoxes();
    });
}

void TfmGlide::chkGameOnlyClick() {
    Handle([&] {
        tweakTabsShown_ = !chkGameOnly.Checked;
        EnableModeBoxes();
    });
}

void TfmGlide::EnableModeBoxes() {
    // Each mode disables the other; a box that is checked stays enabled all the same, so
    // that an entry stored with both modes can be set right.
    chkConfig.Enabled = !chkGameOnly.Checked || chkConfig.Checked;
    chkGameOnly.Enabled = !chkConfig.Checked || chkGameOnly.Checked;
}

bool TfmGlide::TabVisible(EditorTab tab) const {
    return tab == EditorTab::Properties || tweakTabsShown_;
}

void TfmGlide::SetIconText(const std::string& text) {
    if (text.empty()) return;
    Handle([&] {
        const auto [file, number] = SplitIconName(text);
        const int index = StrToInt(number);  // throws for a bad number
        IconFile = file;
        IconIndex = index;
        icon_ = TFileIndexIcon();
        icon_.SetFileName(IconFile);
        icon_.SetIconIndex(IconIndex);
    });
}

std::optional<IconRef> TfmGlide::ShownIcon() const {
    if (!icon_.HasIcon()) return std::nullopt;
    return IconRef{icon_.FileName(), icon_.IconIndex()};
}

void TfmGlide::btnChangeIconClick() {
    if (!host_) return;
    Handle([&] {
        const std::optional<IconChoice> choice = host_->ChooseIcon(IconFile, IconIndex);
        if (!choice) return;
        SetIconText(choice->File + "," + std::to_string(choice->Index));
    });
}

void TfmGlide::btnEdPathClick() {
    Handle([&] {
        FileDialogRequest request;
        request.Filter = kExecutablesFilter;
        request.InitialDir = ExtractFilePath(edPath.Text);
        const std::optional<std::string> path = services_.prompts.PromptOpenFile(request);
        if (!path) return;
        edPath.Text = *path;
        SetIconText(*path + ",0");
    });
}

bool TfmGlide::btnOKClick() {
    const auto refuse = [&](const std::string& message, EditorControl control) {
        services_.prompts.ShowInformation(message);
        if (host_) host_->FocusControl(control);
        return false;
    };
    const std::string& title = edTitle.Text;
    if (title.empty()) return refuse("Title cannot be empty!", EditorControl::edTitle);
    if (const std::string refusal = TitleRefusal(title); !refusal.empty()) {
        services_.prompts.ShowError(refusal);
        if (host_) host_->FocusControl(EditorControl::edTitle);
        return false;
    }
    if (!chkConfig.Checked && edPath.Text.empty()) {
        return refuse("Path cannot be empty!", EditorControl::edPath);
    }
    ProfileStore& gameDat = services_.catalogue;
    // Section names match without regard to case: a title that differs only in case
    // names this same entry.
    const bool otherEntry = !SameText(title, OldTitle);
    if (otherEntry && gameDat.SectionExists(title)) {
        return refuse(
            "A game titled \"" + title + "\" already exists. Please choose another title.",
            EditorControl::edTitle);
    }
    const std::string run = chkConfig.Checked ? kConfigOnlyRun : edPath.Text;

    if (otherEntry) {
        for (const char* key : {kIconNameKey, kRunKey, kParamsKey}) {
            gameDat.WriteString(title, key, gameDat.ReadString(OldTitle, key, ""));
        }
        for (F field : kRenameCopiedTweaks) {
            const TweakRow& row = TweakOf(field);
            gameDat.WriteString(title, row.Key, gameDat.ReadString(OldTitle, row.Key, row.Default));
        }
    }
    gameDat.WriteString(title, kIconNameKey, IconFile + "," + std::to_string(IconIndex));
    gameDat.WriteString(title, kParamsKey, edCommandLine.Text);
    gameDat.WriteString(title, kRunKey, run);
    gameDat.WriteBool(title, kGameOnlyKey, chkGameOnly.Checked);
    gameDat.WriteBool(title, kFollowStartedKey, chkFollowStarted.Checked);
    return true;
}

void SaveEditorValues(const TfmGlide& editor, ProfileStore& writes) {
    const std::string& title = editor.edTitle.Text;
    WriteGameSettings(writes, title, editor.SettingsInput());
    if (!SameText(title, editor.OldTitle)) writes.EraseSection(editor.OldTitle);
}

GameSettingsInput TfmGlide::SettingsInput() const {
    GameSettingsInput input;
    for (const TweakRow& row : TweakCatalogue()) {
        if (row.Kind == TweakKind::Gamma) continue;
        input.Combos[row.Field] = Box(BoxOf(row.Field)).Text();
    }
    input.RGammaPosition = slRGamma.Value();
    input.GGammaPosition = slGGamma.Value();
    input.BGammaPosition = slBGamma.Value();
    return input;
}

void TfmGlide::cbxGlidePresetsChange(bool fromD3DBox) {
    Handle([&] {
        const ComboBoxState& chosen = fromD3DBox ? cbxD3DPresets : cbxGlidePresets;
        ComboBoxState& other = fromD3DBox ? cbxGlidePresets : cbxD3DPresets;
        other.ItemIndex = chosen.ItemIndex;
        const std::string name = chosen.Text();
        if (name.empty()) return;
        const TSettings preset = ReadPreset(ProgramSettings(services_.programDir).File(), name);
        chkLockGammaSliders.Checked =
            preset[F::RGamma] == preset[F::GGamma] && preset[F::GGamma] == preset[F::BGamma];
        LoadSettings(preset);
    });
}

void TfmGlide::btnSavePresetD3DClick() {
    Handle([&] {
        IniFile file = ProgramSettings(services_.programDir).File();
        const std::vector<std::string> sections = file.ReadSections();
        std::optional<std::string> name;
        do {
            name = services_.prompts.InputBox("Save Preset As...", "Name", "");
            if (!name) return;
        } while (!IsFreePresetName(*name, sections));
        WritePreset(file, *name, SettingsInput());
        FillPresets(SortedPresetNames(file));
        cbxGlidePresets.ItemIndex = IndexOfText(cbxGlidePresets.Items, *name);
        cbxD3DPresets.ItemIndex = cbxGlidePresets.ItemIndex;
    });
}

void TfmGlide::btnDeletePresetD3DClick() {
    if (cbxGlidePresets.ItemIndex < 0) return;
    Handle([&] {
        const std::string name = cbxGlidePresets.Text();
        if (!services_.prompts.Confirm("Are you sure you want to delete the preset \"" + name +
                                       "\"?")) {
            return;
        }
        IniFile file = ProgramSettings(services_.programDir).File();
        file.EraseSection(name);
        FillPresets(PresetNamesInFileOrder(file));
    });
}

}  // namespace pallisar
