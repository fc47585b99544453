#pragma once
// The run-wide link to the 3dfx driver: the registry component, the driver state
// found by the card detection, and the context every tweak operation works through.
// Owned for the whole run by the program's entry; the main window and the launches
// use it.

#include "core/log_writer.h"
#include "platform/registry_store.h"
#include "platform/system_info.h"
#include "tweaks/card_detection.h"
#include "tweaks/driver_state.h"
#include "tweaks/registry_enhanced.h"

namespace pallisar {

class Session {
  public:
    // `registry` and `log` must outlive the session.
    Session(RegistryStore& registry, LogWriter& log);
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Finds the board and its driver key (see DetectCard); the driver state holds
    // the result from then on.
    CardDetection DetectCard(const SystemInfo& system);

    const DriverState& Driver() const { return driver_; }
    TweakContext& Tweaks() { return tweaks_; }
    // The registry component, for the options' autostart value.
    TRegistryEnhanced& Reg() { return reg_; }

  private:
    TRegistryEnhanced reg_;
    DriverState driver_;
    TweakContext tweaks_;
};

}  // namespace pallisar
