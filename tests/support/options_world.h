#pragma once
// What the Options dialog works on, for its tests: a program folder with the program
// file (three numbered icon groups) and settings.cfg, a registry in memory whose store
// can refuse values, and prompts that record.

#include <string>
#include <vector>

#include "core/ini_file.h"
#include "platform/memory_registry.h"
#include "support/fake_prompts.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "support/tweak_scenarios.h"
#include "ui/options.h"

namespace pallisar::test {

struct OptionsWorld {
    OptionsWorld() { WriteFileBytes(program, MakePeFile(groups)); }
    // settings.cfg with `keys` ("Name=value\r\n" lines) in its [Program] section.
    void WriteSettings(const std::string& keys) const {
        WriteFileBytes(dir.File("settings.cfg"), "[Program]\r\n" + keys);
    }
    std::string Setting(const char* key) const {
        return IniFile(dir.File("settings.cfg")).ReadString("Program", key, "(none)");
    }
    OptionsServices Services() { return {dir.Path(), program, prompts, reg}; }

    TempDir dir;
    const std::string program = dir.File("pallisar.exe"), ico = dir.File("pallisar.ico");
    const std::vector<IconGroupFixture> groups = NumberedGroups(3);
    MemoryRegistry memory;
    ValueRefusingStore store{memory};
    TRegistryEnhanced reg{store};
    FakePrompts prompts;
};

}  // namespace pallisar::test
