#include "app/session.h"

namespace pallisar {

Session::Session(RegistryStore& registry, LogWriter& log)
    : reg_(registry), tweaks_{reg_, log, driver_} {
    reg_.RootKey = TRootKey::hkLocalMachine;
}

CardDetection Session::DetectCard(const SystemInfo& system) {
    return pallisar::DetectCard(tweaks_, system);
}

}  // namespace pallisar
