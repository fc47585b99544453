#pragma once
// The About box: the product, its version, the disclaimer and where to find the
// project, shown in a plain message box.

#include <string>

#include "platform/prompts.h"

namespace pallisar {

// The thirteen lines, each followed by a carriage return (no line feed).
std::string AboutText();
// btnAboutClick: the text in a plain message box titled with the application's title.
void ShowAbout(Prompts& prompts);

}  // namespace pallisar
