#include "ui/game_editor.h"

#include <algorithm>
#include <utility>

#include "app/game_entry.h"
#include "app/program_settings.h"
#include "core/file_names.h"
#include "core/text.h"
#include "tweaks/tweak_catalogue.h"
#include "ui/presets.h"

namespace pallisar {

namespace {

using B = EditorBox;
using F = TweakField;

struct BoxRow {
    EditorBox Box;
    std::string_view Name;
    TweakField Field;
};

// Each box and the value it shows; labels, items and fallbacks come from the tweak
// catalogue's row of that value.
constexpr BoxRow kBoxes[] = {
    {B::cbxGlideSplash, "cbxGlideSplash", F::Splash},
    {B::cbxGlideLegacyTextureCompression, "cbxGlideLegacyTextureCompression",
     F::TextureCompression},
    {B::cbxGlideAlphaBlending, "cbxGlideAlphaBlending", F::AlphaBlending},
    {B::cbxGlide3DFilterQuality, "cbxGlide3DFilterQuality", F::TDFilterQuality},
    {B::cbxGlideTripleBuffering, "cbxGlideTripleBuffering", F::TripleBuffering},
    {B::cbxGlideRenderingColorDepth, "cbxGlideRenderingColorDepth", F::ColorDepth},
    {B::cbxGlideMIPMapDithering, "cbxGlideMIPMapDithering", F::MIPMap},
    {B::cbxGlideMaxBufferedFrames, "cbxGlideMaxBufferedFrames", F::MaxBufferedFrames},
    {B::cbxGlideLODBias, "cbxGlideLODBias", F::LODBias},
    {B::cbxGlideAntiAliasing, "cbxGlideAntiAliasing", F::AA},
    {B::cbxGlideFSAAToggleKey, "cbxGlideFSAAToggleKey", F::glAAToggle},
    {B::cbxGlideVSynch, "cbxGlideVSynch", F::VSynch},
    {B::cbxGlide16BPPDepth, "cbxGlide16BPPDepth", F::gl16BitZPrecision},
    {B::cbxGlide32BPPDepth, "cbxGlide32BPPDepth", F::gl32BitZPrecision},
    {B::cbxGlideHSR, "cbxGlideHSR", F::glHSR},
    {B::cbxGlideGuardbandClipping, "cbxGlideGuardbandClipping", F::glGuardbandClipping},
    {B::cbxD3DAlphaBlending, "cbxD3DAlphaBlending", F::AlphaBlending},
    {B::cbxD3D3DFilterQuality, "cbxD3D3DFilterQuality", F::TDFilterQuality},
    {B::cbxD3DZBuffer, "cbxD3DZBuffer", F::ZBuffer},
    {B::cbxD3DAntiAliasing, "cbxD3DAntiAliasing", F::AA},
    {B::cbxD3DLODBias, "cbxD3DLODBias", F::LODBias},
    {B::cbxD3DFSAAToggleKey, "cbxD3DFSAAToggleKey", F::D3DAAToggle},
    {B::cbxD3DVsynch, "cbxD3DVsynch", F::D3DVSynch},
    {B::cbxD3DMaxBufferedFrames, "cbxD3DMaxBufferedFrames", F::D3DMaxBufferedFrames},
    {B::cbxD3DMIPMapDithering, "cbxD3DMIPMapDithering", F::D3DMIPMap},
};
static_assert(std::size(kBoxes) == kEditorBoxCount);

constexpr std::array<EditorBox, kEditorBoxCount> kBoxOrder = [] {
    std::array<EditorBox, kEditorBoxCount> boxes{};
    for (std::size_t i = 0; i < kEditorBoxCount; ++i) boxes[i] = kBoxes[i].Box;
    return boxes;
}();

const BoxRow& RowOf(EditorBox box) { return kBoxes[static_cast<std::size_t>(box)]; }

// A user's change of one of these boxes means the game no longer shows the preset
// of that tab.
constexpr EditorBox kClearGlidePresets[] = {
    B::cbxGlideSplash,
    B::cbxGlideLegacyTextureCompression,
    B::cbxGlideAlphaBlending,
    B::cbxGlide3DFilterQuality,
    B::cbxGlideMIPMapDithering,
    B::cbxGlideTripleBuffering,
    B::cbxGlideRenderingColorDepth,
    B::cbxGlideMaxBufferedFrames,
    B::cbxGlideAntiAliasing,
    B::cbxGlideLODBias,
    B::cbxGlide16BPPDepth,
    B::cbxGlideHSR,
    B::cbxD3DMaxBufferedFrames,
};
constexpr EditorBox kClearD3DPresets[] = {
    B::cbxD3DAlphaBlending, B::cbxD3D3DFilterQuality, B::cbxD3DZBuffer,
    B::cbxD3DAntiAliasing,  B::cbxD3DLODBias,         B::cbxD3DMIPMapDithering,
};
// Boxes of the two tabs that always show the same item while the editor is open.
constexpr std::pair<EditorBox, EditorBox> kLinkedBoxes[] = {
    {B::cbxGlideAlphaBlending, B::cbxD3DAlphaBlending},
    {B::cbxGlideAntiAliasing, B::cbxD3DAntiAliasing},
    {B::cbxGlide3DFilterQuality, B::cbxD3D3DFilterQuality},
    {B::cbxGlideLODBias, B::cbxD3DLODBias},
    {B::cbxGlideMIPMapDithering, B::cbxD3DMIPMapDithering},
};
// What a Voodoo3 cannot do.
constexpr EditorBox kNotOnVoodoo3[] = {
    B::cbxGlideAntiAliasing, B::cbxD3DAntiAliasing,          B::cbxGlideFSAAToggleKey,
    B::cbxD3DFSAAToggleKey,  B::cbxGlideRenderingColorDepth, B::cbxGlide16BPPDepth,
    B::cbxGlide32BPPDepth,   B::cbxD3DMIPMapDithering,       B::cbxD3DMaxBufferedFrames,
    B::cbxGlideHSR,          B::cbxGlideGuardbandClipping,
};

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

bool Contains(std::span<const EditorBox> boxes, EditorBox box) {
    return std::find(boxes.begin(), boxes.end(), box) != boxes.end();
}

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

std::span<const EditorBox> EditorBoxes() { return kBoxOrder; }
std::string_view BoxName(EditorBox box) { return RowOf(box).Name; }
TweakField FieldOf(EditorBox box) { return RowOf(box).Field; }

EditorBox BoxOf(TweakField field) {
    for (const BoxRow& row : kBoxes) {
        if (row.Field == field) return row.Box;
    }
    return B::cbxGlideSplash;  // a gamma field has a slider, no box
}

EditorTab TabOf(EditorBox box) {
    return box < B::cbxD3DAlphaBlending ? EditorTab::GlideSettings : EditorTab::Direct3DSettings;
}

std::string_view LabelOf(EditorBox box) { return TweakOf(FieldOf(box)).Label; }

TfmGlide::TfmGlide(GameEditorServices services) : services_(std::move(services)) {
    for (const BoxRow& row : kBoxes) {
        const TweakRow& tweak = TweakOf(row.Field);
        ComboBoxState& box = Box(row.Box);
        for (const TweakChoice& choice : tweak.Choices) box.Items.emplace_back(choice.Item);
        if (tweak.Kind == TweakKind::AntiAliasing) box.Items = AntiAliasingItems("");
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
    Box(B::cbxGlideLODBias).Items = items;
    Box(B::cbxD3DLODBias).Items = std::move(items);
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
    Box(B::cbxGlideAntiAliasing).Items = items;
    Box(B::cbxD3DAntiAliasing).Items = items;
}

void TfmGlide::ReduceForVoodoo3() {
    reducedForVoodoo3_ = true;
    for (EditorBox box : kNotOnVoodoo3) Box(box).Visible = false;
}

void TfmGlide::LoadSettings(const TSettings& settings) {
    Handle([&] {
        for (const BoxRow& row : kBoxes) {
            ComboBoxState& box = Box(row.Box);
            box.ItemIndex = ItemFor(box, TweakOf(row.Field), settings[row.Field]);
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
        if (Contains(kClearGlidePresets, box)) cbxGlidePresets.ItemIndex = -1;
        if (Contains(kClearD3DPresets, box)) cbxD3DPresets.ItemIndex = -1;
        for (const auto& [glide, d3d] : kLinkedBoxes) {
            if (box == glide) Box(d3d).ItemIndex = Box(glide).ItemIndex;
            if (box == d3d) Box(glide).ItemIndex = Box(d3d).ItemIndex;
        }
    });
}

void TfmGlide::chkConfigClick() {
    Handle([&] {
        const bool configOnly = chkConfig.Checked;
        edPath.Enabled = !configOnly;
        edCommandLine.Enabled = !configOnly;
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
        const size_t comma = text.find(',');
        const std::string number = comma == std::string::npos ? text : text.substr(comma + 1);
        const int index = StrToInt(number);  // throws for a bad number
        IconFile = comma == std::string::npos ? "" : text.substr(0, comma);
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
