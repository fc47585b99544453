#pragma once
// A throw-away game title that no catalogue entry has, so that reading it from
// Game.dat yields every key's default.

#include <string>

namespace pallisar {

// 51 characters, each with a code from 30 to 89 chosen at random. The generator is
// seeded afresh at each call.
std::string RandomTitle();

}  // namespace pallisar
