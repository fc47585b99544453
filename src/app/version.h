#pragma once
// The program's file version, in one place: the version resource of pallisar.exe,
// the "Version" line of the log and the stamp in settings.cfg all come from here.
// Plain macros, so that the resource compiler can read this file too.

#define PALLISAR_VERSION_MAJOR 1
// Shown with two digits: minor 1 is the "01" of "1.01".
#define PALLISAR_VERSION_MINOR 1
#define PALLISAR_VERSION_TEXT "1.01"

#ifndef RC_INVOKED
namespace pallisar {

inline constexpr const char* kVersionText = PALLISAR_VERSION_TEXT;
// The line the log starts with and the About box shows.
inline constexpr const char* kVersionLine = "Version " PALLISAR_VERSION_TEXT;
// The same version as a number, for comparing with a stored stamp.
inline constexpr double kFileVersion = PALLISAR_VERSION_MAJOR + PALLISAR_VERSION_MINOR / 100.0;

static_assert(PALLISAR_VERSION_TEXT[0] == '0' + PALLISAR_VERSION_MAJOR &&
                  PALLISAR_VERSION_TEXT[1] == '.' &&
                  PALLISAR_VERSION_TEXT[2] == '0' + PALLISAR_VERSION_MINOR / 10 &&
                  PALLISAR_VERSION_TEXT[3] == '0' + PALLISAR_VERSION_MINOR % 10 &&
                  PALLISAR_VERSION_TEXT[4] == '\0',
              "the version text must read major.minor with two minor digits");

}  // namespace pallisar
#endif
