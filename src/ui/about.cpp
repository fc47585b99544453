#include "ui/about.h"

#include "app/version.h"

namespace pallisar {

std::string AboutText() {
    const std::string lines[] = {
        "Pallisar Game Launcher",
        "",
        kVersionLine,
        "",
        "Written by the Pallisar Game Launcher project",
        "",
        "This program is in no way affiliated with 3dfx",
        "and is not supported by them (and only barely by me...)",
        "",
        "Questions, support and suggestions:",
        "the project's issue list, beside its source code.",
        "Newer versions are built from that source code;",
        "README.md tells how.",
    };
    std::string text;
    for (const std::string& line : lines) text += line + '\r';
    return text;
}

void ShowAbout(Prompts& prompts) { prompts.ShowMessage(AboutText()); }

}  // namespace pallisar
