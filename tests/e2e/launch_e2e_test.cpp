// Launching games through pallisar.exe under Wine: probe.exe stands in for the game and
// records the driver values it sees while it runs; the registry, the log and the files
// are checked afterwards. Every test starts from the simulated dual-chip board loaded
// afresh.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>

#include "board.h"
#include "core/ini_file.h"
#include "dialogs.h"
#include "harness.h"
#include "launch_support.h"
#include "support/shell_link_reader.h"
#include "win32/com_ptr.h"
#include "win32/resource.h"

namespace pallisar::e2e {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAreArray;
using Values = std::map<std::string, std::string>;

constexpr char kTitle[] = "Pallisar Game Launcher";
constexpr char kBoard[] = "voodoo5_dual";
constexpr char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\3dfxvs\\Device0";

std::string Settings(bool reset) {
    return std::string("[Program]\r\nVersion=1.01\r\nGenerateLog=1\r\nResetSettings=") +
           (reset ? "1" : "0") + "\r\n";
}

// A choice for every tweak, each different from what the simulated board holds, in the
// mixed case the editor stores.
constexpr char kGameTweaks[] =
    "Splash=Enable\r\nTextureCompression=Enable\r\nMIPMap=Disable\r\nD3DMIPMap=Enable\r\n"
    "TripleBuffering=Enable\r\nColorDepth=Force 32BPP Rendering\r\n"
    "MaxBufferedFrames=1 Pending Buffer\r\ngl16BitZPrecision=Faster\r\n"
    "gl32BitZPrecision=Fast\r\nD3DMaxBufferedFrames=3 Pending Buffers\r\n"
    "glHSR=Conservative Tiling\r\nglGuardbandClipping=Disable\r\nAlphaBlending=Smoother\r\n"
    "TDFilterQuality=High\r\nAA=2 Sample Anti-Aliasing\r\nLODBias=0.5\r\nglAAToggle=Num-Lock\r\n"
    "D3DAAToggle=Ctrl-Alt-A\r\nVSynch=Disable\r\nD3DVSynch=Disable\r\nRGamma=2.00\r\n"
    "GGamma=1.90\r\nBGamma=1.80\r\nZBuffer=Enable\r\n";

std::string GameSection(const std::string& title, const std::string& run, const std::string& params,
                        const std::string& extra = "") {
    return "[" + title + "]\r\nRun=" + run + "\r\nParams=" + params + "\r\n" + extra + kGameTweaks;
}

// What the driver holds while a game with kGameTweaks runs on the dual-chip board.
const Values kGlideWhileRunning = {
    {"FX_GLIDE_AA_TOGGLE_KEY", "1:144"},
    {"FX_GLIDE_LOD_DITHER", "1:0"},
    {"FX_GL_GUARDBAND_ENABLED", "1:0"},
    {"FX_GLIDE_SWAPPENDINGCOUNT", "1:1"},
    {"SSTH3_SLI_AA_CONFIGURATION", "1:3"},
    {"SSTH3_RGAMMA", "1:2.00"},
    {"SSTH3_GGAMMA", "1:1.90"},
    {"SSTH3_BGAMMA", "1:1.80"},
    {"FX_GL_COMPRESS_LEGACY_TEXTURES", "1:1"},
    {"FX_GLIDE_ALLOC_COLOR", "1:3"},
    {"FX_GLIDE_BPP", "1:32"},
    {"FX_GL_16BPP_ZPRECISION", "1:2"},
    {"FX_GL_32BPP_ZPRECISION", "1:1"},
    {"FX_GL_HSR", "1:1"},
    {"SSTH3_ALPHADITHERMODE", "1:3"},
    {"SSTH3_OVERLAYMODE", "1:3"},
    {"FX_GLIDE_LOD_BIAS", "1:2"},
    {"FX_GLIDE_SWAPINTERVAL", "1:0"},
};
const Values kD3DWhileRunning = {
    {"SSTH3_AAJITTER_TOGGLE_KEY", "1:65"},
    {"SSTH3_SLI_AA_CONFIGURATION", "1:3"},
    {"SSTH3_ALPHADITHERMODE", "1:3"},
    {"SSTH3_LOD_DITHER", "1:1"},
    {"SSTH3_MAX_PENDING_BUFFERS", "1:3"},
    {"SSTH3_OVERLAYMODE", "1:3"},
    {"FX_GLIDE_LOD_BIAS", "1:2"},
    {"SSTH3_SWAPINTERVAL", "1:0"},
    {"SSTH3_RGAMMA", "1:2.00"},
    {"SSTH3_GGAMMA", "1:1.90"},
    {"SSTH3_BGAMMA", "1:1.80"},
    {"SSTH3_Z_CLEAR_OPTIMIZATION", "1:1"},
};

void NewSubKey(const std::string& key, const std::string& value, std::vector<std::string>& lines) {
    lines.push_back("+ [" + key + "] = ");
    lines.push_back("+ [" + key + "]\"Previous Value\" = \"0\"");
    lines.push_back("+ [" + key + "]\"Value\" = \"" + value + "\"");
}

// How the board's Glide tree differs from the freshly loaded one once a game with
// kGameTweaks has run and the previous values are back. The toggle keys, swap intervals
// and gamma values return; every other variable keeps the game's choice, except those
// governed by a sub-key's "Tweak Value", which get that sub-key's previous choice index;
// the bookkeeping keeps one step of history; a MIP-map dithering of 0 is removed.
std::vector<std::string> GlideAfterRestore() {
    std::vector<std::string> lines = {
        "~ [AA Demo Key]\"Previous Value\": \"0\" -> \"1\"",
        "~ [Glide Splash Screen]\"Previous Value\": \"1\" -> \"0\"",
        "+ [Maximum Buffered Frames]\"Previous Value\" = \"1\"",
        "~ [Depth Precision (16 Bit)]\"Value\": \"1\" -> \"2\"",
        "~ [Depth Precision (16 Bit)]\"Previous Value\": \"0\" -> \"1\"",
        "~ [DualChipAASLI]\"Previous Value\": \"1\" -> \"2\"",
        "- []\"FX_GLIDE_LOD_DITHER\" = \"1\"",
        "~ []\"SSTH3_SLI_AA_CONFIGURATION\": \"3\" -> \"2\"",
        "+ []\"FX_GL_COMPRESS_LEGACY_TEXTURES\" = \"1\"",
        "+ []\"FX_GLIDE_ALLOC_COLOR\" = \"3\"",
        "+ []\"FX_GLIDE_BPP\" = \"32\"",
        "+ []\"FX_GL_16BPP_ZPRECISION\" = \"2\"",
        "+ []\"FX_GL_32BPP_ZPRECISION\" = \"1\"",
        "+ []\"FX_GL_HSR\" = \"1\"",
        "+ []\"SSTH3_ALPHADITHERMODE\" = \"3\"",
        "+ []\"SSTH3_OVERLAYMODE\" = \"3\"",
        "+ []\"FX_GLIDE_LOD_BIAS\" = \"2\"",
    };
    NewSubKey("Legacy Texture Compression", "0", lines);
    NewSubKey("MIP Map Dithering", "0", lines);
    NewSubKey("Triple Buffering", "1", lines);
    NewSubKey("Rendering Color-depth", "1", lines);
    NewSubKey("Depth Precision (32 Bit)", "1", lines);
    NewSubKey("Hidden Surface Removal", "1", lines);
    NewSubKey("Alpha-Blending", "3", lines);
    NewSubKey("3D Filter Quality", "3", lines);
    NewSubKey("Level Of Detail Bias", "2", lines);
    NewSubKey("Vertical Sync", "1", lines);
    return lines;
}

// The same for the D3D tree; the board had no D3D gamma, so the default 1.30 comes back.
std::vector<std::string> D3DAfterRestore() {
    std::vector<std::string> lines = {
        "~ [AA Demo Key]\"Previous Value\": \"0\" -> \"4\"",
        "~ [Alpha-Blending]\"Previous Value\": \"1\" -> \"3\"",
        "~ [DualChipAASLI]\"Previous Value\": \"1\" -> \"2\"",
        "~ []\"SSTH3_SLI_AA_CONFIGURATION\": \"3\" -> \"2\"",
        "+ []\"SSTH3_LOD_DITHER\" = \"1\"",
        "+ []\"SSTH3_MAX_PENDING_BUFFERS\" = \"3\"",
        "+ []\"SSTH3_OVERLAYMODE\" = \"3\"",
        "+ []\"FX_GLIDE_LOD_BIAS\" = \"2\"",
        "+ []\"SSTH3_RGAMMA\" = \"1.30\"",
        "+ []\"SSTH3_GGAMMA\" = \"1.30\"",
        "+ []\"SSTH3_BGAMMA\" = \"1.30\"",
        "+ []\"SSTH3_Z_CLEAR_OPTIMIZATION\" = \"1\"",
    };
    NewSubKey("MIP Map Dithering", "1", lines);
    NewSubKey("Maximum Buffered Frames", "3", lines);
    NewSubKey("3D Filter Quality", "3", lines);
    NewSubKey("Level Of Detail Bias", "2", lines);
    NewSubKey("Z-buffer Optimization", "0", lines);
    return lines;
}

std::vector<std::string> StartLines(const std::string& title, const std::string& run,
                                    const std::string& params) {
    return {"Running Shortcut \"" + title + "\"", "\tCommand String - " + run,
            "\tCommand Paramaters - " + params, "\t" + title + " terminated."};
}

// The same for a launch that waited for the game and every program it started.
std::vector<std::string> FollowedStartLines(const std::string& title, const std::string& run,
                                            const std::string& params) {
    std::vector<std::string> lines = StartLines(title, run, params);
    lines.insert(lines.end() - 1,
                 "\tEvery program started for " + title + " has ended (followed by job object).");
    return lines;
}

std::string WithoutTrailingDelimiter(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

class LaunchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(LoadBoard(kBoard));
        glideBefore_ = SnapshotGroup(kDriverKey, "Glide");
        d3dBefore_ = SnapshotGroup(kDriverKey, "D3D");
        ASSERT_FALSE(glideBefore_.empty());
        ASSERT_FALSE(d3dBefore_.empty());
        exe_ = dir_.Install(PALLISAR_EXE);
        probe_ = dir_.Install(ProbeExe());
        report_ = dir_.File("launch-report.ini");
        state_ = dir_.File("e2e-state.txt");
        dir_.Write("settings.cfg", Settings(true));
    }

    void Start(std::vector<std::string> args = {}, bool reportEnv = true) {
        LaunchOptions options{
            std::move(args),
            {{"PALLISAR_STATE_FILE", state_}, {"PALLISAR_PROBE_DRIVER_KEY", kDriverKey}},
            otherDir_.Path()};
        if (reportEnv) options.env.push_back({"PALLISAR_PROBE_REPORT", report_});
        ASSERT_TRUE(app_.Start(exe_, options));
    }

    void StartReady(std::vector<std::string> args = {}, bool reportEnv = true) {
        ASSERT_NO_FATAL_FAILURE(Start(std::move(args), reportEnv));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
    }

    void PostCommand(UINT id) {
        ASSERT_TRUE(PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0));
    }

    void ExitAndWait() {
        ASSERT_TRUE(PressButton(window_, "Exit"));
        DWORD code = 99;
        ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
        EXPECT_EQ(code, 0u);
    }

    std::vector<std::string> LogLines() {
        auto lines = ReadLines(dir_.File("pallisar.log"));
        EXPECT_TRUE(lines.has_value()) << "no pallisar.log";
        return lines.value_or(std::vector<std::string>{});
    }

    // Waits until the running program's log holds the line.
    testing::AssertionResult WaitForLogLine(const std::string& line) {
        const auto deadline = std::chrono::steady_clock::now() + kTimeout;
        while (std::chrono::steady_clock::now() < deadline) {
            const auto lines = ReadLines(dir_.File("pallisar.log"));
            if (lines && std::find(lines->begin(), lines->end(), line) != lines->end()) {
                return testing::AssertionSuccess();
            }
            Sleep(50);
        }
        return testing::AssertionFailure() << "the log never got \"" << line << "\"";
    }

    // Both driver trees as the freshly loaded board had them, except for `glide` and
    // `d3d`.
    void ExpectDriverDiffers(const std::vector<std::string>& glide,
                             const std::vector<std::string>& d3d) {
        EXPECT_THAT(Differences(glideBefore_, SnapshotGroup(kDriverKey, "Glide")),
                    UnorderedElementsAreArray(glide));
        EXPECT_THAT(Differences(d3dBefore_, SnapshotGroup(kDriverKey, "D3D")),
                    UnorderedElementsAreArray(d3d));
    }

    void ExpectGameValuesInDriver() {
        EXPECT_EQ(GroupValuesAsProbeSees(kDriverKey, "Glide"), kGlideWhileRunning);
        EXPECT_EQ(GroupValuesAsProbeSees(kDriverKey, "D3D"), kD3DWhileRunning);
    }

    // A list launch that waits for the game and restores: the probe sleeps 1.5 s after
    // reporting; the launcher answers meanwhile and ends the launch only after the game.
    void WaitingListLaunch(const std::function<void()>& trigger,
                           const std::function<void()>& whileRunning = {}) {
        const std::string params = "--delay-ms 1500";
        dir_.Write("Game.dat", GameSection("Probe Game", probe_, params));
        ASSERT_NO_FATAL_FAILURE(StartReady());
        ASSERT_TRUE(SelectTitle(app_, window_, "Probe Game"));
        ASSERT_NO_FATAL_FAILURE(trigger());

        std::vector<ProbeRun> runs;
        ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
        const auto reported = std::chrono::steady_clock::now();
        if (whileRunning) whileRunning();
        EXPECT_TRUE(Answers(window_, Millis(1000)))
            << "the launcher did not answer during the game";
        ASSERT_TRUE(WaitForLogLine("\tProbe Game terminated."));
        EXPECT_GE(std::chrono::steady_clock::now() - reported, Millis(1000));
        EXPECT_TRUE(WaitForProcessEnd(std::stoul(runs[0].Field("ProcessId")), Millis(0)))
            << "the launch ended before the game";

        ASSERT_EQ(runs.size(), 1u);
        EXPECT_THAT(runs[0].Field("CommandLine"), testing::EndsWith(".exe " + params));
        EXPECT_EQ(runs[0].Field("CurrentDir"), WithoutTrailingDelimiter(dir_.Path()));
        EXPECT_EQ(runs[0].glide, kGlideWhileRunning);
        EXPECT_EQ(runs[0].d3d, kD3DWhileRunning);

        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
        ExpectDriverDiffers(GlideAfterRestore(), D3DAfterRestore());
        const auto lines = LogLines();
        EXPECT_TRUE(
            ContainsInOrder(lines, {"Probe Game selected.", "Loading Enviroment Settings...",
                                    "Setting Glide Variable -- FX_GLIDE_NO_SPLASH",
                                    "Setting D3D Variable -- SSTH3_Z_CLEAR_OPTIMIZATION",
                                    "Running Shortcut \"Probe Game\""}));
        EXPECT_TRUE(ContainsRun(lines, FollowedStartLines("Probe Game", probe_, params)));
    }

    ProgramDirectory dir_;
    ProgramDirectory otherDir_;
    std::string exe_;
    std::string probe_;
    std::string report_;
    std::string state_;
    AppProcess app_;
    HWND window_ = nullptr;
    Values glideBefore_;
    Values d3dBefore_;
};

TEST_F(LaunchTest, RunButtonWaitsForTheGameThenRestoresTheDriver) {
    WaitingListLaunch([this] { ASSERT_TRUE(PressButton(window_, "Run")); });
}

// A double-click launches from inside the list's own click handling; the game must still
// get the mouse while the launcher waits for it.
TEST_F(LaunchTest, DoubleClickWaitsForTheGameAndLeavesTheMouseToIt) {
    WaitingListLaunch(
        [this] { ASSERT_TRUE(DoubleClickListItem(app_, FindListView(window_), 0)); },
        [this] {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info));
            EXPECT_EQ(info.hwndCapture, nullptr) << "the launcher holds the mouse during the game";
        });
}

TEST_F(LaunchTest, FileRunWaitsForTheGameThenRestoresTheDriver) {
    WaitingListLaunch([this] { PostCommand(IDM_FILE_RUN); });
}

TEST_F(LaunchTest, WithoutRestoreTheLauncherDoesNotWaitAndTheGameValuesStay) {
    dir_.Write("settings.cfg", Settings(false));
    const std::string params = "--delay-ms 3000";
    dir_.Write("Game.dat", GameSection("Probe Game", probe_, params));
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(SelectTitle(app_, window_, "Probe Game"));
    ASSERT_TRUE(PressButton(window_, "Run"));

    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
    const DWORD probeId = std::stoul(runs[0].Field("ProcessId"));
    EXPECT_TRUE(Answers(window_, Millis(1000)));
    EXPECT_FALSE(WaitForProcessEnd(probeId, Millis(0))) << "the game ended too early to tell";
    EXPECT_TRUE(WaitForLogLine("\tProbe Game terminated."));
    EXPECT_EQ(runs[0].glide, kGlideWhileRunning);
    EXPECT_EQ(runs[0].d3d, kD3DWhileRunning);
    ASSERT_TRUE(WaitForProcessEnd(probeId, kTimeout));

    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    ExpectGameValuesInDriver();
    const auto lines = LogLines();
    EXPECT_TRUE(ContainsRun(lines, StartLines("Probe Game", probe_, params)));
}

TEST_F(LaunchTest, GameOnlyFromTheListLeavesTheDriverAlone) {
    dir_.Write("Game.dat", GameSection("Only Game", probe_, "", "GameOnly=1\r\n"));
    const Values glide = GroupValuesAsProbeSees(kDriverKey, "Glide");
    const Values d3d = GroupValuesAsProbeSees(kDriverKey, "D3D");
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(SelectTitle(app_, window_, "Only Game"));
    ASSERT_TRUE(PressButton(window_, "Run"));
    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
    EXPECT_EQ(runs[0].glide, glide);
    EXPECT_EQ(runs[0].d3d, d3d);
    ASSERT_TRUE(WaitForLogLine("\tOnly Game terminated."));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    ExpectDriverDiffers({}, {});
    const auto lines = LogLines();
    std::vector<std::string> expected = {
        "Only Game selected.",
        "Running application in \"GAME ONLY\" mode. No settings will be adjusted."};
    for (const auto& line : FollowedStartLines("Only Game", probe_, "")) expected.push_back(line);
    EXPECT_TRUE(ContainsRun(lines, expected));
    EXPECT_THAT(lines, Not(testing::Contains("Loading Enviroment Settings...")));
}

TEST_F(LaunchTest, GameOnlyFromTheTrayWritesAndRestoresTheTweaks) {
    dir_.Write("Game.dat", GameSection("Only Game", probe_, "", "GameOnly=1\r\n"));
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(ClickTrayItem(app_, window_, state_, "Only Game"));
    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
    EXPECT_EQ(runs[0].glide, kGlideWhileRunning);
    EXPECT_EQ(runs[0].d3d, kD3DWhileRunning);
    ASSERT_TRUE(WaitForLogLine("\tOnly Game terminated."));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    ExpectDriverDiffers(GlideAfterRestore(), D3DAfterRestore());
    const auto lines = LogLines();
    EXPECT_TRUE(
        ContainsInOrder(lines, {"Loading Enviroment Settings...", "Running Shortcut \"Only Game\"",
                                "\tOnly Game terminated."}));
    EXPECT_THAT(lines, Not(testing::Contains("Only Game selected.")));
    EXPECT_THAT(lines, Not(testing::Contains(HasSubstr("GAME ONLY"))));
}

TEST_F(LaunchTest, ConfigOnlyFromTheListShowsTheLoadedBox) {
    dir_.Write("Game.dat", GameSection("Tool", "internal", ""));
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(SelectTitle(app_, window_, "Tool"));
    ASSERT_TRUE(PressButton(window_, "Run"));
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, "Information");
    EXPECT_EQ(box.text, "Tool Loaded");
    EXPECT_THAT(box.ButtonTexts(), testing::ElementsAre("OK"));
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    ASSERT_TRUE(WaitForLogLine("Config Only option loaded - Tool"));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    // Nothing is started and nothing restored: the tweaks stay.
    ExpectGameValuesInDriver();
    EXPECT_TRUE(ReadProbeRuns(report_).empty());
    const auto lines = LogLines();
    EXPECT_TRUE(ContainsInOrder(lines, {"Tool selected.", "Loading Enviroment Settings...",
                                        "Config Only option loaded - Tool"}));
    EXPECT_THAT(lines, Not(testing::Contains(StartsWith("Running Shortcut"))));
}

TEST_F(LaunchTest, ConfigOnlyFromTheTrayOnlyLogs) {
    dir_.Write("Game.dat", GameSection("Tool", "INTERNAL", ""));
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(ClickTrayItem(app_, window_, state_, "Tool"));
    ASSERT_TRUE(WaitForLogLine("Config Only option loaded - Tool"));
    ASSERT_TRUE(Answers(window_, kTimeout));
    Sleep(300);  // a box would be up by now
    EXPECT_THAT(app_.MessageBoxes(), IsEmpty());
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    ExpectGameValuesInDriver();
    const auto lines = LogLines();
    EXPECT_THAT(lines, Not(testing::Contains("Tool selected.")));
    EXPECT_THAT(lines, Not(testing::Contains(StartsWith("Running Shortcut"))));
}

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

// "/RUN" starts the entry, waits for it (restoring is on), leaves the game's values in
// the driver and ends the program by itself.
class RunArgumentTest : public LaunchTest {
  protected:
    void RunAndWaitForExit(const std::string& path) {
        ASSERT_NO_FATAL_FAILURE(Start({"/run", path}));
        DWORD code = 99;
        ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
        EXPECT_EQ(code, 0u);
    }
};

TEST_F(RunArgumentTest, PathInAnotherCaseOrInQuotesFindsTheEntry) {
    const std::string variants[] = {LowerCase(probe_), "\"" + probe_ + "\""};
    for (const std::string& path : variants) {
        SCOPED_TRACE("/run " + path);
        ASSERT_TRUE(LoadBoard(kBoard));
        DeleteFileA(report_.c_str());
        DeleteFileA(dir_.File("pallisar.log").c_str());
        dir_.Write("Game.dat", GameSection("Probe Game", probe_, "--delay-ms 500"));
        ASSERT_NO_FATAL_FAILURE(RunAndWaitForExit(path));

        const auto runs = ReadProbeRuns(report_);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_TRUE(runs[0].complete);
        EXPECT_EQ(runs[0].glide, kGlideWhileRunning);
        // No restore after a /RUN launch.
        ExpectGameValuesInDriver();
        const auto lines = LogLines();
        EXPECT_TRUE(ContainsRun(lines, StartLines("Probe Game", probe_, "--delay-ms 500")));
        EXPECT_THAT(lines, Not(testing::Contains("Probe Game selected.")));
        EXPECT_THAT(lines.back(), StartsWith("Application Terminated - "));
    }
}

TEST_F(RunArgumentTest, OfTwoEntriesWithThePathTheLaterOneWins) {
    // The later section sorts first, so the list order cannot be what decides.
    dir_.Write("Game.dat", GameSection("Zeta", probe_, "--exit-code 1") +
                               GameSection("Alpha", probe_, "--exit-code 2"));
    ASSERT_NO_FATAL_FAILURE(RunAndWaitForExit(probe_));
    const auto runs = ReadProbeRuns(report_);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Field("ExitCode"), "2");
    const auto lines = LogLines();
    EXPECT_TRUE(ContainsRun(lines, StartLines("Alpha", probe_, "--exit-code 2")));
    EXPECT_THAT(lines, Not(testing::Contains("Running Shortcut \"Zeta\"")));
}

TEST_F(RunArgumentTest, UnknownPathWritesTheDefaultsAndStartsNothing) {
    dir_.Write("Game.dat", GameSection("Probe Game", probe_, ""));
    ASSERT_NO_FATAL_FAILURE(RunAndWaitForExit("C:\\no\\such\\game.exe"));
    EXPECT_TRUE(ReadProbeRuns(report_).empty());
    EXPECT_TRUE(ContainsRun(LogLines(), StartLines("DUMMY", "", "")));
    // The default of every tweak, as written for a title that has no entry.
    const Values glide = GroupValuesAsProbeSees(kDriverKey, "Glide");
    EXPECT_EQ(glide.count("FX_GLIDE_NO_SPLASH"), 0u);      // splash enabled
    EXPECT_EQ(glide.count("FX_GLIDE_AA_TOGGLE_KEY"), 0u);  // toggle disabled
    EXPECT_EQ(glide.at("FX_GLIDE_ALLOC_COLOR"), "1:-1");
    EXPECT_EQ(glide.at("FX_GLIDE_BPP"), "1:16");
    EXPECT_EQ(glide.at("SSTH3_SLI_AA_CONFIGURATION"), "1:2");
    EXPECT_EQ(glide.at("SSTH3_RGAMMA"), "1:1.30");
    EXPECT_EQ(glide.at("FX_GLIDE_LOD_BIAS"), "1:0");
    const Values d3d = GroupValuesAsProbeSees(kDriverKey, "D3D");
    EXPECT_EQ(d3d.count("SSTH3_AAJITTER_TOGGLE_KEY"), 0u);
    EXPECT_EQ(d3d.at("SSTH3_Z_CLEAR_OPTIMIZATION"), "1:1");
}

// Create Shortcut writes a shortcut that starts the launcher with /run and the game's
// path; opened through Wine's "start", it launches the game with its tweaks. A Config
// Only entry gets the warning instead of the save dialog.
TEST_F(LaunchTest, ShortcutMadeByTheProgramLaunchesTheGameWhenOpened) {
    dir_.Write("Game.dat",
               GameSection("Probe Game", probe_, "--delay-ms 300") + "[Tool]\r\nRun=internal\r\n");
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(SelectTitle(app_, window_, "Tool"));
    PostCommand(IDM_FILE_SHORTCUT);
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, "Warning");
    EXPECT_EQ(box.text, "This option is currently not supported for these types.");
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));

    const std::string lnk = WindowsPath(PALLISAR_E2E_LNK);
    DeleteFileA(lnk.c_str());
    ASSERT_TRUE(SelectTitle(app_, window_, "Probe Game"));
    PostCommand(IDM_POPUP_SHORTCUT);
    std::string proposed;
    ASSERT_TRUE(SaveAs(app_, lnk, &proposed));
    EXPECT_EQ(proposed, "Probe Game");
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    ASSERT_EQ(GetFileAttributesA(lnk.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    // Read back through the shell: the launcher, /run and the quoted path, the game's
    // folder, the icon the list gave the entry, no hot key, no comment.
    const std::string icon =
        IniFile(dir_.File("Game.dat")).ReadString("Probe Game", "IconName", "");
    const size_t comma = icon.find(',');
    ASSERT_NE(comma, std::string::npos) << icon;
    ScopedCoInitialize com;
    test::LinkFields fields;
    ASSERT_TRUE(test::ReadLink(lnk, fields));
    EXPECT_EQ(LowerCase(fields.path), LowerCase(exe_));
    EXPECT_EQ(fields.arguments, " /run \"" + probe_ + "\"");
    EXPECT_EQ(fields.workingDir, WithoutTrailingDelimiter(dir_.Path()));
    EXPECT_EQ(fields.iconFile, icon.substr(0, comma));
    EXPECT_EQ(fields.iconNumber, std::stoi(icon.substr(comma + 1)));
    EXPECT_EQ(fields.hotKey, 0);
    EXPECT_EQ(fields.description, "");
    // The same fields for the native check with lnkinfo.
    std::ofstream(std::string(PALLISAR_E2E_LNK) + ".expected", std::ios::binary)
        << exe_ << "\n"
        << fields.arguments << "\n"
        << fields.workingDir << "\n"
        << fields.iconFile << "\n"
        << fields.iconNumber << "\n";

    // Opened as a user opens it; the probe's report goes where this test reads it (the
    // variables are this process's only while "start" is being started).
    const std::pair<const char*, std::string> probeEnv[] = {
        {"PALLISAR_PROBE_REPORT", report_}, {"PALLISAR_PROBE_DRIVER_KEY", kDriverKey}};
    for (const auto& [variable, value] : probeEnv) SetEnvironmentVariableA(variable, value.c_str());
    std::string command = "start.exe \"" + lnk + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const BOOL opened = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                       nullptr, &startup, &started);
    for (const auto& [variable, value] : probeEnv) SetEnvironmentVariableA(variable, nullptr);
    ASSERT_TRUE(opened);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    std::vector<ProbeRun> runs;
    ASSERT_TRUE(WaitForProbeRuns(report_, 1, kTimeout, &runs));
    EXPECT_EQ(runs[0].glide, kGlideWhileRunning);
    EXPECT_EQ(runs[0].Field("CurrentDir"), WithoutTrailingDelimiter(dir_.Path()));
    for (int wait = 0; wait < 200 && LogLines().back().rfind("Application Terminated", 0) != 0;
         ++wait) {
        Sleep(50);
    }
    EXPECT_TRUE(ContainsRun(LogLines(), StartLines("Probe Game", probe_, "--delay-ms 300")));
}

// An error that ends the launch early is shown, and then the program ends: it must not
// stay behind as a process without a window.
// A value that cannot be written ends a launch before the driver is touched: the error
// is shown, no game starts, every driver value stays as it was; after /RUN the program
// ends.
TEST_F(RunArgumentTest, AnErrorThatEndsTheLaunchEarlyIsShownAndLeavesTheDriverAsItWas) {
    dir_.Write("Game.dat", GameSection("Probe Game", probe_, "", "LODBias=x\r\n"));
    const auto expectErrorBox = [&] {
        MessageBoxInfo box;
        ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
        EXPECT_EQ(box.caption, "Pallisar Game Launcher");
        EXPECT_EQ(box.text, "'X' is not a valid floating point value.");
        ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    };
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(SelectTitle(app_, window_, "Probe Game"));
    ASSERT_TRUE(PressButton(window_, "Run"));
    ASSERT_NO_FATAL_FAILURE(expectErrorBox());
    ASSERT_TRUE(Answers(window_, kTimeout));
    ExpectDriverDiffers({}, {});
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());

    ASSERT_NO_FATAL_FAILURE(Start({"/run", probe_}));
    ASSERT_NO_FATAL_FAILURE(expectErrorBox());
    DWORD code = 99;
    ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
    EXPECT_TRUE(ReadProbeRuns(report_).empty());
    ExpectDriverDiffers({}, {});
    EXPECT_THAT(LogLines().back(), StartsWith("Application Terminated - "));
}

TEST_F(LaunchTest, ProgramThatCannotStartIsSilentAndRestoresAtOnce) {
    const std::string missing = dir_.Path() + "missing\\game.exe";
    dir_.Write("Game.dat", GameSection("Lost Game", missing, "-x"));
    ASSERT_NO_FATAL_FAILURE(StartReady());
    ASSERT_TRUE(SelectTitle(app_, window_, "Lost Game"));
    ASSERT_TRUE(PressButton(window_, "Run"));
    ASSERT_TRUE(WaitForLogLine("\tLost Game terminated."));
    ASSERT_TRUE(Answers(window_, kTimeout));
    Sleep(300);  // a box would be up by now
    EXPECT_THAT(app_.MessageBoxes(), IsEmpty());
    // The restore ran before the window answered again.
    ExpectDriverDiffers(GlideAfterRestore(), D3DAfterRestore());
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    EXPECT_TRUE(ContainsRun(LogLines(), StartLines("Lost Game", missing, "-x")));
}

TEST_F(LaunchTest, PathWithABlankStartsTheGameNotAPlantedProgram) {
    const std::string gameDir = dir_.Path() + "Program Files\\Game\\";
    ASSERT_TRUE(CreateDirectories(gameDir));
    const std::string game = gameDir + "game.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(ProbeExe()).c_str(), game.c_str(), FALSE));
    // Without quotes, the system would try this one first.
    const std::string planted = dir_.Path() + "Program.exe";
    ASSERT_TRUE(CopyFileA(WindowsPath(ProbeExe()).c_str(), planted.c_str(), FALSE));
    dir_.Write("Game.dat", GameSection("Spaced Game", game, ""));

    // Each probe reports next to itself.
    ASSERT_NO_FATAL_FAILURE(StartReady({}, /*reportEnv=*/false));
    ASSERT_TRUE(SelectTitle(app_, window_, "Spaced Game"));
    ASSERT_TRUE(PressButton(window_, "Run"));
    std::vector<ProbeRun> runs;
    const bool reported = WaitForProbeRuns(gameDir + "probe-report.ini", 1, kTimeout, &runs);
    EXPECT_TRUE(reported);
    ASSERT_TRUE(WaitForLogLine("\tSpaced Game terminated."));
    ASSERT_NO_FATAL_FAILURE(ExitAndWait());
    EXPECT_FALSE(dir_.Exists("probe-report.ini")) << dir_.Read("probe-report.ini");
    if (reported) {
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(LowerCase(runs[0].Field("Module")), LowerCase(game));
        EXPECT_EQ(runs[0].Field("CommandLine"), "\"" + game + "\" ");
        EXPECT_EQ(runs[0].Field("CurrentDir"), WithoutTrailingDelimiter(gameDir));
    }
    RemoveTree(dir_.Path() + "Program Files");
}

// Upgrades at start-up: the Information box first, then the converted files.
class UpgradeTest : public LaunchTest {
  protected:
    void StartAndAcceptTheUpgrade(const std::string& version) {
        dir_.Write("settings.cfg", "[Program]\r\nVersion=" + version +
                                       "\r\nGenerateLog=1\r\n[My Preset]\r\nAAToggle=Enable\r\n"
                                       "[Odd Preset]\r\nAAToggle=On\r\n");
        dir_.Write("Game.dat",
                   "[Enabled]\r\nRun=C:\\a.exe\r\nAAToggle=enable\r\n"
                   "[Disabled]\r\nRun=C:\\b.exe\r\nAAToggle=Disable\r\n"
                   "[Missing]\r\nRun=C:\\c.exe\r\nglAAToggle=F12\r\n"
                   "[Other]\r\nRun=C:\\d.exe\r\nAAToggle=On\r\n");
        ASSERT_NO_FATAL_FAILURE(Start());
        MessageBoxInfo box;
        ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
        EXPECT_EQ(box.caption, "Information");
        EXPECT_EQ(box.text,
                  "You have just upgraded to a newer version of the Pallisar Game Launcher.\r"
                  "It is now going to update your game file.");
        EXPECT_THAT(box.ButtonTexts(), testing::ElementsAre("OK"));
        // Nothing is converted before the answer.
        EXPECT_EQ(IniFile(dir_.File("settings.cfg")).ReadString("Program", "Version", ""), version);
        EXPECT_EQ(IniFile(dir_.File("Game.dat")).ReadString("Enabled", "AAToggle", ""), "enable");
        ASSERT_TRUE(AnswerMessageBox(box, "OK"));
        ASSERT_TRUE(app_.WaitForMainWindow(kTitle, kTimeout, &window_));
        ASSERT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
            return caption.find(" - ") != std::string::npos;
        }));
        ASSERT_NO_FATAL_FAILURE(ExitAndWait());
        EXPECT_EQ(IniFile(dir_.File("settings.cfg")).ReadString("Program", "Version", ""), "1.01");
    }

    // glAAToggle / D3DAAToggle / AAToggle of a section, "-" for a missing key.
    static std::string Toggles(const IniFile& file, const std::string& section) {
        return file.ReadString(section, "glAAToggle", "-") + " / " +
               file.ReadString(section, "D3DAAToggle", "-") + " / " +
               file.ReadString(section, "AAToggle", "-");
    }

    void ExpectConverted() {
        const IniFile gameDat(dir_.File("Game.dat"));
        EXPECT_EQ(Toggles(gameDat, "Enabled"), "Num-Lock / Ctrl-Alt-A / -");
        EXPECT_EQ(Toggles(gameDat, "Disabled"), "Disable / Disable / -");
        EXPECT_EQ(Toggles(gameDat, "Missing"), "Disable / Disable / -");
        EXPECT_EQ(Toggles(gameDat, "Other"), "- / - / -");
        const IniFile settings(dir_.File("settings.cfg"));
        EXPECT_EQ(Toggles(settings, "My Preset"), "Num-Lock / Ctrl-Alt-A / -");
        EXPECT_EQ(Toggles(settings, "Odd Preset"), "- / - / -");
        EXPECT_EQ(Toggles(settings, "Program"), "- / - / -");
    }
};

TEST_F(UpgradeTest, FromVersion09ConvertsGamesAndPresets) {
    ASSERT_NO_FATAL_FAILURE(StartAndAcceptTheUpgrade("0.9"));
    ExpectConverted();
    EXPECT_TRUE(ContainsInOrder(
        LogLines(), {"Version 0.9 in settings.cfg is older then 1.01",
                     "Updated game.dat to version 1.01", "Updated settings.cfg to version 1.01"}));
}

TEST_F(UpgradeTest, FromVersion10OnlyStampsTheFile) {
    ASSERT_NO_FATAL_FAILURE(StartAndAcceptTheUpgrade("1.0"));
    const IniFile gameDat(dir_.File("Game.dat"));
    EXPECT_EQ(Toggles(gameDat, "Enabled"), "- / - / enable");
    EXPECT_EQ(Toggles(gameDat, "Missing"), "F12 / - / -");
    EXPECT_EQ(Toggles(IniFile(dir_.File("settings.cfg")), "My Preset"), "- / - / Enable");
    const auto lines = LogLines();
    EXPECT_TRUE(ContainsInOrder(lines, {"Version 1.0 in settings.cfg is older then 1.01",
                                        "Updated settings.cfg to version 1.01"}));
    EXPECT_THAT(lines, Not(testing::Contains("Updated game.dat to version 1.01")));
}

TEST_F(UpgradeTest, FromAStampThatIsNoNumberReportsItTwiceAndConverts) {
    ASSERT_NO_FATAL_FAILURE(StartAndAcceptTheUpgrade("abc"));
    ExpectConverted();
    const std::string error = "*****Error in detecting settings.cfg version*****";
    const auto lines = LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), error), 2);
    EXPECT_TRUE(ContainsInOrder(
        lines, {error, "\tAssuming old version", "Version abc in settings.cfg is older then 1.01",
                error, "\tAssuming old version", "Updated game.dat to version 1.01",
                "Updated settings.cfg to version 1.01"}));
}

}  // namespace
}  // namespace pallisar::e2e
