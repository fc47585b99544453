#pragma once
// A run of tweak operations that follow each other at once: the record of the driver's
// values and the writes of a launch, or the restore after the game. For its lifetime
// the registry keys it touches and the log file stay open instead of being opened and
// closed for every value and line. End it before anything that waits (a game, a
// message box): nothing is held open then.

#include "core/log_writer.h"
#include "tweaks/driver_state.h"

namespace pallisar {

class TweakBurst {
  public:
    explicit TweakBurst(TweakContext& context) : keys_(context.Reg), log_(context.Log) {}

  private:
    TRegistryEnhanced::KeepKeysOpen keys_;
    LogBurst log_;
};

}  // namespace pallisar
