#include "ui/state_report.h"

namespace pallisar {

namespace {

std::string Flags(const MenuItem& item) {
    std::string flags;
    if (item.IsSeparator()) flags += 's';
    if (item.Checked) flags += 'c';
    if (item.Default) flags += 'd';
    if (!item.Enabled) flags += 'g';
    if (item.RadioItem) flags += 'r';
    return flags;
}

void RenderItems(std::string& out, const std::vector<MenuItem>& items, const std::string& prefix) {
    for (const MenuItem& item : items) {
        if (!item.Visible) continue;
        const std::string caption = prefix + item.Caption;
        out +=
            "item=" + caption + "\t" + Flags(item) + "\t" + std::to_string(item.ImageIndex) + "\n";
        RenderItems(out, item.Items, caption + " > ");
    }
}

void RenderMenu(std::string& out, const std::string& name, const std::vector<MenuItem>& items) {
    out += "[menu " + name + "]\n";
    RenderItems(out, items, "");
}

}  // namespace

std::string RenderStateReport(const TfmMain& form) {
    std::string out;
    out += "caption=" + form.Caption() + "\n";
    out += "viewstyle=" + std::to_string(static_cast<int>(form.GetViewStyle())) + "\n";
    RenderMenu(out, form.MainMenu1().Name, form.MainMenu1().Items);
    RenderMenu(out, form.PopupMenu1().Name, form.PopupMenu1().Items);
    RenderMenu(out, "TrayPopup", form.TrayPopup());
    out += "[list]\n";
    for (const ListItem& item : form.Items()) {
        out += "item=" + item.Caption + "\t" + std::to_string(item.ImageIndex) + "\t" + item.Path +
               "\n";
    }
    return out;
}

std::string RenderIconReport(const IconSlots& slots, size_t icons) {
    std::string out = "[icons]\nreads=" + std::to_string(slots.Reads()) + "\n";
    for (size_t icon = 0; icon < icons; ++icon) {
        const int slot = slots.SlotOf(static_cast<int>(icon));
        if (slot != IconSlots::kDefaultSlot) {
            out += "held=" + std::to_string(icon) + "\t" + std::to_string(slot) + "\n";
        }
    }
    return out;
}

}  // namespace pallisar
