// Benchmark of a launch's own cost beside the cost of starting a program: the work the
// launcher does before it creates the game's process (SavePreviousSettings,
// ReadGameSettings and ApplySettings with the log on, on the dual-chip board loaded into
// the registry), and a bare CreateProcessA of probe.exe, until the process handle is
// returned and until the process has ended; also the restore after the game. Then the
// whole path of a click on a game in the list, as the program runs it (the main
// window's model, the program's launches with their journal, the process launcher over
// CreateProcessA): the launcher's own work from the click until CreateProcessA is
// called, beside that CreateProcessA, in the same launches. Windows (or Wine) only.
//
// Under Wine every registry call is a round trip to the wineserver. On a virtual
// machine whose processors wake each other slowly, those round trips cost several
// times more once the wineserver and the program run on different processors; running
// both on one (taskset -c 0, with the wineserver started under it) shows the figures a
// desktop gives.
//
//   launchBench [runs] [probe.exe]     (default 50 runs; the probe built with the tests)
//
// The board is loaded below HKEY_LOCAL_MACHINE of the registry this program sees (under
// Wine: the prefix's), replacing the driver key the board uses.

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/game_launches.h"
#include "app/icon_ref.h"
#include "app/log.h"
#include "app/session.h"
#include "core/file_access.h"
#include "core/file_names.h"
#include "core/ini_file.h"
#include "support/fake_prompts.h"
#include "support/regedit_file.h"
#include "tweaks/apply_settings.h"
#include "tweaks/previous_settings.h"
#include "tweaks/registry_enhanced.h"
#include "tweaks/tweak_burst.h"
#include "tweaks/tweak_settings.h"
#include "ui/main_window.h"
#include "win32/win32_launch_lock.h"
#include "win32/win32_process_starter.h"
#include "win32/win32_registry.h"
#include "win32/win32_system_info.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";
constexpr char kTitle[] = "Bench Game";

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintRow(const char* what, const std::vector<double>& values) {
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    std::printf("  %-34s %8.3f  (%.3f .. %.3f)\n", what, Median(values), *least, *most);
}

std::string ModuleDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return pallisar::ExtractFilePath(path);
}

// A fresh directory holding settings.cfg (log on) and a Game.dat with one full entry,
// whose program is the probe.
std::string MakeProgramDir(const std::string& probe) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string dir =
        std::string(temp) + "pallisar-launch-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    pallisar::IniFile settings(dir + "settings.cfg");
    settings.WriteString("Program", "Version", "1.01");
    settings.WriteString("Program", "GenerateLog", "1");
    settings.WriteString("Program", "ResetSettings", "1");
    pallisar::IniFile gameDat(dir + "Game.dat");
    const char* const tweaks[][2] = {
        {"Splash", "Disable"},
        {"TextureCompression", "Enable"},
        {"MIPMap", "Enable"},
        {"D3DMIPMap", "Enable"},
        {"TripleBuffering", "Enable"},
        {"ColorDepth", "Force 32BPP Rendering"},
        {"MaxBufferedFrames", "2 Pending Buffers"},
        {"gl16BitZPrecision", "Faster"},
        {"gl32BitZPrecision", "Fast"},
        {"D3DMaxBufferedFrames", "3 Pending Buffers"},
        {"glHSR", "Conservative Tiling"},
        {"glGuardbandClipping", "Enable"},
        {"AlphaBlending", "Sharper"},
        {"TDFilterQuality", "High"},
        {"AA", "4 Sample Anti-Aliasing"},
        {"LODBias", "-0.75"},
        {"glAAToggle", "Num-Lock"},
        {"D3DAAToggle", "Ctrl-Alt-A"},
        {"VSynch", "Disable"},
        {"D3DVSynch", "Disable"},
        {"RGamma", "1.50"},
        {"GGamma", "1.40"},
        {"BGamma", "1.20"},
        {"ZBuffer", "Enable"},
    };
    gameDat.WriteString(kTitle, "Run", probe);
    gameDat.WriteString(kTitle, "IconName", probe + ",0");
    for (const auto& [key, value] : tweaks) gameDat.WriteString(kTitle, key, value);
    return dir;
}

// The INI engine re-reads a file at every read while it is younger than three seconds
// (time stamps are too coarse to trust before then). A launch normally comes long
// after the last change of settings.cfg, so the figures are taken once that window has
// passed.
void LetFilesSettle() { Sleep(3500); }

void RemoveProgramDir(const std::string& dir) {
    for (const char* name :
         {"settings.cfg", "Game.dat", "pallisar.log", "pallisar.jnl", "probe-report.ini"}) {
        DeleteFileA((dir + name).c_str());
    }
    RemoveDirectoryA(dir.c_str());
}

// A bare start of the probe, as TExecFile makes it; adds the time until CreateProcessA
// returned and until the probe ended.
bool StartAndWait(const std::string& probe, const std::string& dir, std::vector<double>& created,
                  std::vector<double>& ended) {
    std::string command = "\"" + probe + "\" ";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE, nullptr, dir.c_str(), &startup,
                        &info)) {
        std::fprintf(stderr, "CreateProcessA failed: %lu\n", GetLastError());
        return false;
    }
    const auto returned = Clock::now();
    WaitForSingleObject(info.hProcess, INFINITE);
    const auto exited = Clock::now();
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    created.push_back(Millis(returned - start));
    ended.push_back(Millis(exited - start));
    return true;
}

// The process launcher of the program, noting when CreateProcessA is called and when
// it has returned.
class TimedStarter : public pallisar::Win32ProcessStarter {
  public:
    pallisar::ProcessStartResult StartProcess(const pallisar::ProcessStart& start) override {
        called = Clock::now();
        if (OnCalled) OnCalled();
        pallisar::ProcessStartResult result = Win32ProcessStarter::StartProcess(start);
        returned = Clock::now();
        return result;
    }
    Clock::time_point called;
    Clock::time_point returned;
    std::function<void()> OnCalled;
};

// The registry as the program sees it, adding up the operations made through it and the
// time they take, by kind: where a launch's own work goes.
enum class RegCall { Open, Read, Write, Close };
constexpr const char* kRegCallNames[] = {"open or create a key", "read (value, enumeration)",
                                         "write (set, delete)", "close a key"};

struct RegCallTally {
    int count[4] = {};
    double millis[4] = {};
    template <typename Call>
    long Add(RegCall kind, Call&& call) {
        const auto start = Clock::now();
        const long result = call();
        millis[static_cast<int>(kind)] += Millis(Clock::now() - start);
        ++count[static_cast<int>(kind)];
        return result;
    }
};

class TalliedKey : public pallisar::RegistryKey {
  public:
    TalliedKey(std::unique_ptr<pallisar::RegistryKey> key, RegCallTally& tally)
        : key_(std::move(key)), tally_(tally) {}
    ~TalliedKey() override {
        tally_.Add(RegCall::Close, [&] {
            key_.reset();
            return 0L;
        });
    }
    long QueryValue(std::string_view name, pallisar::RegValue& value) override {
        return tally_.Add(RegCall::Read, [&] { return key_->QueryValue(name, value); });
    }
    long SetValue(std::string_view name, const pallisar::RegValue& value) override {
        return tally_.Add(RegCall::Write, [&] { return key_->SetValue(name, value); });
    }
    long DeleteValue(std::string_view name) override {
        return tally_.Add(RegCall::Write, [&] { return key_->DeleteValue(name); });
    }
    long EnumSubKeys(std::vector<std::string>& names) override {
        return tally_.Add(RegCall::Read, [&] { return key_->EnumSubKeys(names); });
    }
    long EnumValues(std::vector<std::string>& names) override {
        return tally_.Add(RegCall::Read, [&] { return key_->EnumValues(names); });
    }
    long EnumValueData(std::vector<pallisar::NamedRegValue>& values) override {
        return tally_.Add(RegCall::Read, [&] { return key_->EnumValueData(values); });
    }

  private:
    std::unique_ptr<pallisar::RegistryKey> key_;
    RegCallTally& tally_;
};

class TalliedRegistry : public pallisar::RegistryStore {
  public:
    explicit TalliedRegistry(pallisar::RegistryStore& inner) : inner_(inner) {}
    long OpenKey(pallisar::RegRoot root, std::string_view path, bool write,
                 std::unique_ptr<pallisar::RegistryKey>& key) override {
        return Opened(key, [&](auto& opened) { return inner_.OpenKey(root, path, write, opened); });
    }
    long CreateKey(pallisar::RegRoot root, std::string_view path,
                   std::unique_ptr<pallisar::RegistryKey>& key) override {
        return Opened(key, [&](auto& opened) { return inner_.CreateKey(root, path, opened); });
    }
    long DeleteTree(pallisar::RegRoot root, std::string_view path) override {
        return tally.Add(RegCall::Write, [&] { return inner_.DeleteTree(root, path); });
    }
    long FlushKey(pallisar::RegRoot root, std::string_view path) override {
        return inner_.FlushKey(root, path);
    }
    std::string ErrorText(long code) const override { return inner_.ErrorText(code); }

    RegCallTally tally;

  private:
    template <typename Open>
    long Opened(std::unique_ptr<pallisar::RegistryKey>& key, Open&& open) {
        std::unique_ptr<pallisar::RegistryKey> opened;
        const long result = tally.Add(RegCall::Open, [&] { return open(opened); });
        if (opened) key = std::make_unique<TalliedKey>(std::move(opened), tally);
        return result;
    }
    pallisar::RegistryStore& inner_;
};

// Clicks on the game in the list as the program takes them: the main window's model
// created and activated as at start-up (card detection, the journal check), the game
// selected, then one double-click per run. Each launch waits for the probe and restores.
struct ClickTiming {
    std::vector<double> ownWork;  // from the click until CreateProcessA is called, ms
    std::vector<double> created;  // CreateProcessA itself
    std::vector<double> started;  // from the click until CreateProcessA has returned
    // Registry operations from the click until CreateProcessA, per kind: ms and count.
    std::vector<double> registryMillis[4];
    std::vector<double> registryCount[4];
};

bool TimeClicks(const std::string& dir, pallisar::RegistryStore& systemRegistry, int runs,
                ClickTiming& timing) {
    using namespace pallisar;
    TalliedRegistry registry(systemRegistry);
    Log log(dir);
    SystemDateTime clock;
    test::FakePrompts prompts;
    Win32SystemInfo system;
    FileIconInfo icons;
    Session session(registry, log);
    TimedStarter starter;
    TExecFile exec(starter);
    exec.SetAssociate(false);
    exec.SetWait(false);
    ProgramSettings settings(dir);
    Win32LaunchLock launchLock;
    LaunchJournal journal(dir, clock, &launchLock);
    SessionLaunches launches(session, settings, log, prompts, exec, &journal);
    TfmMain form(MainWindowServices{dir, log, clock, prompts, session, system, icons, launches},
                 {});
    form.FormCreate();
    form.FormActivate();
    if (form.Closed() || form.Items().size() != 1) {
        std::fprintf(stderr, "the main window did not start with the board and the game\n");
        return false;
    }
    form.SetSelected(0);
    LetFilesSettle();
    for (int i = 0; i < runs; ++i) {
        starter.called = starter.returned = {};
        RegCallTally untilStart;
        starter.OnCalled = [&] { untilStart = registry.tally; };
        registry.tally = {};
        const auto click = Clock::now();
        form.ListViewDblClick();
        if (starter.returned == Clock::time_point{} || !exec.ProcessInfo()) {
            std::fprintf(stderr, "the click started no game (error %u)\n", exec.LastError());
            return false;
        }
        timing.ownWork.push_back(Millis(starter.called - click));
        timing.created.push_back(Millis(starter.returned - starter.called));
        timing.started.push_back(Millis(starter.returned - click));
        for (int kind = 0; kind < 4; ++kind) {
            timing.registryMillis[kind].push_back(untilStart.millis[kind]);
            timing.registryCount[kind].push_back(untilStart.count[kind]);
        }
    }
    form.FormClose();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string probe = argc > 2 ? argv[2] : ModuleDir() + "..\\tests\\probe.exe";
    if (!pallisar::FileExists(probe)) {
        std::fprintf(stderr, "probe not found: %s\n", probe.c_str());
        return 2;
    }

    pallisar::Win32Registry registry;
    registry.DeleteTree(pallisar::RegRoot::LocalMachine, kDriverKey);
    try {
        pallisar::test::LoadRegeditFile(registry,
                                        pallisar::test::FixturePath("boards/voodoo5_dual.reg"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "cannot load the board: %s\n", error.what());
        return 2;
    }

    const std::string dir = MakeProgramDir(probe);
    pallisar::Log log(dir);
    pallisar::TRegistryEnhanced reg(registry);
    pallisar::DriverState driver{kDriverKey, false, "DualChipAASLI"};
    pallisar::TweakContext context{reg, log, driver};
    const pallisar::IniFile gameDat(dir + "Game.dat");

    SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", (dir + "probe-report.ini").c_str());
    SetEnvironmentVariableA("PALLISAR_PROBE_DRIVER_KEY", nullptr);

    // One run is one launch as the launcher makes it: (a) record, read and write in one
    // burst, (b) a bare CreateProcessA of the probe, its end, then the restore in one
    // burst. Taking (a) and (b) in the same run exposes both to the same load.
    struct Timing {
        std::vector<double> beforeStart;  // ms per run
        std::vector<double> created;
        std::vector<double> ended;
        std::vector<double> restore;
    };
    const auto timeLaunches = [&](Timing& timing) {
        for (int i = 0; i < runs; ++i) {
            const auto start = Clock::now();
            pallisar::TPrevSettings previous;
            {
                const pallisar::TweakBurst burst(context);
                previous = pallisar::SavePreviousSettings(context);
                pallisar::ApplySettings(context, pallisar::ReadGameSettings(gameDat, kTitle));
            }
            const auto applied = Clock::now();
            if (!StartAndWait(probe, dir, timing.created, timing.ended)) return false;
            const auto restoring = Clock::now();
            {
                const pallisar::TweakBurst burst(context);
                pallisar::RestorePreviousSettings(context, previous);
            }
            timing.restore.push_back(Millis(Clock::now() - restoring));
            timing.beforeStart.push_back(Millis(applied - start));
        }
        return true;
    };
    Timing logged;
    Timing quiet;
    LetFilesSettle();
    bool started = timeLaunches(logged);
    pallisar::IniFile(dir + "settings.cfg").WriteString("Program", "GenerateLog", "0");
    LetFilesSettle();
    started = started && timeLaunches(quiet);
    pallisar::IniFile(dir + "settings.cfg").WriteString("Program", "GenerateLog", "1");
    ClickTiming clicks;
    started = started && TimeClicks(dir, registry, runs, clicks);
    if (!started) {
        RemoveProgramDir(dir);
        return 2;
    }

    const double a = Median(logged.beforeStart);
    std::printf(
        "launch_bench: %d launches with the log on, %d with it off; median (min .. max) in ms\n",
        runs, runs);
    PrintRow("(a) record + read + write, log on", logged.beforeStart);
    PrintRow("    the same, log off", quiet.beforeStart);
    PrintRow("    restore after the game, log on", logged.restore);
    PrintRow("(b) CreateProcessA returned", logged.created);
    PrintRow("    probe started and ended", logged.ended);
    std::printf("  ratio (a) / CreateProcessA             %8.3f\n", a / Median(logged.created));
    std::printf("  ratio (a) / whole probe run            %8.3f\n", a / Median(logged.ended));
    std::printf("  log lines written: %s\n", log.Started() ? "yes" : "no");
    std::printf("click on the game in the list to its start, %d launches with the log on\n", runs);
    PrintRow("(c) own work until CreateProcessA", clicks.ownWork);
    PrintRow("(d) CreateProcessA", clicks.created);
    PrintRow("    click to the game's start", clicks.started);
    std::printf("  ratio (c) / (d)                        %8.3f\n",
                Median(clicks.ownWork) / Median(clicks.created));
    std::printf("  registry operations in (c), by kind: median ms (min .. max), count\n");
    for (int kind = 0; kind < 4; ++kind) {
        char what[64];
        std::snprintf(what, sizeof what, "  %s", kRegCallNames[kind]);
        PrintRow(what, clicks.registryMillis[kind]);
        std::printf("  %-34s %8.0f\n", "    count", Median(clicks.registryCount[kind]));
    }

    registry.DeleteTree(pallisar::RegRoot::LocalMachine, kDriverKey);
    RemoveProgramDir(dir);
    return 0;
}

#else
#include <cstdio>

int main() {
    std::puts("launch_bench measures Windows process creation; run it under Wine.");
    return 0;
}
#endif
