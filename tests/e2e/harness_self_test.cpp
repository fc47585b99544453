// The harness against a window program whose behaviour is fixed (fixture_window.cpp), so
// that a fault in the harness shows here and not as a puzzling failure of pallisar.exe.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "board.h"
#include "harness.h"
#include "state_file.h"

namespace pallisar::e2e {
namespace {

using ::testing::ElementsAre;

constexpr char kFixtureCaption[] = "E2E Fixture Window";

class HarnessTest : public ::testing::Test {
  protected:
    void SetUp() override { exe_ = dir_.Install(E2E_FIXTURE_WINDOW_EXE); }

    // Starts the fixture and finds its window.
    void Start(LaunchOptions options) {
        if (options.workingDir.empty()) options.workingDir = dir_.Path();
        ASSERT_TRUE(app_.Start(exe_, options));
        ASSERT_TRUE(app_.WaitForMainWindow(kFixtureCaption, kTimeout, &window_));
    }

    ProgramDirectory dir_;
    std::string exe_;
    AppProcess app_;
    HWND window_ = nullptr;
};

TEST_F(HarnessTest, ReadsColumnsItemsImagesAndView) {
    for (const auto& [arg, view] :
         {std::pair<std::string, DWORD>{"", LV_VIEW_ICON}, {"/DETAILS", LV_VIEW_DETAILS}}) {
        SCOPED_TRACE("argument \"" + arg + "\"");
        AppProcess app;
        LaunchOptions options;
        if (!arg.empty()) options.args = {arg};
        ASSERT_TRUE(app.Start(exe_, options));
        HWND window = nullptr;
        ASSERT_TRUE(app.WaitForMainWindow(kFixtureCaption, kTimeout, &window));
        ListViewState list;
        ASSERT_TRUE(ReadListView(app, FindListView(window), &list));
        EXPECT_EQ(list.view, view);
        EXPECT_EQ(list.styleView, view);
        ASSERT_EQ(list.columns.size(), 2u);
        EXPECT_EQ(list.columns[0].text, "Title");
        EXPECT_EQ(list.columns[0].width, 120);
        EXPECT_EQ(list.columns[1].text, "Path");
        EXPECT_EQ(list.columns[1].width, 240);
        ASSERT_EQ(list.items.size(), 3u);
        EXPECT_THAT(list.items[0].texts, ElementsAre("Alpha", "C:\\games\\alpha.exe"));
        EXPECT_THAT(list.items[1].texts, ElementsAre("beta", "INTERNAL"));
        EXPECT_THAT(list.items[2].texts, ElementsAre("gamma", ""));
        EXPECT_EQ(list.items[0].image, 0);
        EXPECT_EQ(list.items[1].image, 1);
        EXPECT_EQ(list.items[2].image, 2);
        EXPECT_TRUE(PressButton(window, "Exit"));
        EXPECT_TRUE(app.WaitForExit(kTimeout));
    }
}

TEST_F(HarnessTest, PassesEnvironmentAndReadsCaptionChangeAndExitCode) {
    Start({{}, {{"E2E_FIXTURE_CAPTION", "Voodoo5 5500"}, {"E2E_FIXTURE_EXIT_CODE", "42"}}, {}});
    EXPECT_TRUE(WaitForCaption(window_, kTimeout, [](const std::string& caption) {
        return caption == "E2E Fixture Window - Voodoo5 5500";
    }));
    EXPECT_FALSE(PressButton(window_, "No such button"));
    ASSERT_TRUE(PressButton(window_, "Exit"));
    DWORD code = 0;
    ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
    EXPECT_EQ(code, 42u);
    EXPECT_FALSE(app_.Running());
}

TEST_F(HarnessTest, AnswersAYesNoBoxOpenedByAButton) {
    const std::string state = dir_.File("state.txt");
    for (const std::string answer : {"&No", "&Yes"}) {
        SCOPED_TRACE(answer);
        AppProcess app;
        ASSERT_TRUE(app.Start(exe_, {{}, {{"PALLISAR_STATE_FILE", state}}, dir_.Path()}));
        HWND window = nullptr;
        ASSERT_TRUE(app.WaitForMainWindow(kFixtureCaption, kTimeout, &window));
        EXPECT_TRUE(app.MessageBoxes().empty());
        // Posted, so the harness is not blocked while the box is open.
        ASSERT_TRUE(PressButton(window, "Ask"));
        MessageBoxInfo box;
        ASSERT_TRUE(app.WaitForMessageBox(kTimeout, &box));
        EXPECT_EQ(box.caption, "Confirm");
        EXPECT_EQ(box.text, "Proceed with the test?");
        EXPECT_THAT(box.ButtonTexts(), ElementsAre("&Yes", "&No"));
        EXPECT_FALSE(AnswerMessageBox(box, "OK"));
        ASSERT_TRUE(AnswerMessageBox(box, answer));
        const std::string expected = answer == "&Yes" ? "answered Yes" : "answered No";
        // The answer reaches the list once the box is closed; the state report, asked for
        // by message, sees the same.
        ListViewState list;
        for (int wait = 0; wait < 200; ++wait) {
            ASSERT_TRUE(ReadListView(app, FindListView(window), &list));
            if (list.items.size() == 4) break;
            Sleep(50);
        }
        ASSERT_EQ(list.items.size(), 4u);
        EXPECT_EQ(list.items[3].texts[0], expected);
        StateReport report;
        ASSERT_TRUE(RequestStateReport(window, state, &report));
        EXPECT_EQ(report.caption, kFixtureCaption);
        EXPECT_EQ(report.viewStyle, 0);
        ASSERT_EQ(report.list.size(), 4u);
        EXPECT_EQ(report.list[0].path, "C:\\games\\alpha.exe");
        EXPECT_EQ(report.list[3].caption, expected);
        EXPECT_THAT(report.MenuCaptions("TrayPopup"),
                    ElementsAre("Alpha", "-", "&Restore", "E&xit"));
        EXPECT_THAT(report.Flagged("TrayPopup", 'd'), ElementsAre("&Restore"));
        EXPECT_TRUE(app.MessageBoxes().empty());
        ASSERT_TRUE(PressButton(window, "Exit"));
        EXPECT_TRUE(app.WaitForExit(kTimeout));
    }
}

TEST_F(HarnessTest, ErrorBoxAtStartEndsTheProgramAfterOk) {
    ASSERT_TRUE(app_.Start(exe_, {{"/FAIL"}, {}, dir_.Path()}));
    MessageBoxInfo box;
    ASSERT_TRUE(app_.WaitForMessageBox(kTimeout, &box));
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, "Fixture start-up failed");
    EXPECT_THAT(box.ButtonTexts(), ElementsAre("OK"));
    // Still waiting for its answer.
    EXPECT_FALSE(app_.WaitForExit(Millis(300)));
    ASSERT_TRUE(AnswerMessageBox(box, "OK"));
    DWORD code = 0;
    ASSERT_TRUE(app_.WaitForExit(kTimeout, &code));
    EXPECT_EQ(code, 3u);
}

TEST_F(HarnessTest, ShowStateTellsMinimisedFromNormal) {
    Start({{"/MIN"}, {}, {}});
    const ShowState minimised = ReadShowState(window_);
    EXPECT_TRUE(minimised.iconic);
    EXPECT_EQ(minimised.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
    ASSERT_TRUE(PressButton(window_, "Exit"));
    ASSERT_TRUE(app_.WaitForExit(kTimeout));

    AppProcess normal;
    ASSERT_TRUE(normal.Start(exe_));
    HWND window = nullptr;
    ASSERT_TRUE(normal.WaitForMainWindow(kFixtureCaption, kTimeout, &window));
    const ShowState shown = ReadShowState(window);
    EXPECT_TRUE(shown.visible);
    EXPECT_FALSE(shown.iconic);
    EXPECT_EQ(shown.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
}

TEST_F(HarnessTest, WaitsEndWithinTheirLimits) {
    Start({});
    HWND none = nullptr;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(app_.WaitForMainWindow("No such caption", Millis(300), &none));
    EXPECT_FALSE(app_.WaitForExit(Millis(300)));
    MessageBoxInfo box;
    EXPECT_FALSE(app_.WaitForMessageBox(Millis(300), &box));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(none, nullptr);
    // Kill ends a program that a test left running.
    app_.Kill();
    EXPECT_FALSE(app_.Running());
}

TEST(RegistryHelpers, KeysWithValuesSkipsBareParentKeys) {
    const auto keys = KeysWithValues(
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Enum\\PCI]\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001\\Enum\\PCI\\VEN_121A\\1]\r\n"
        "\"DeviceDesc\"=\"Voodoo5\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\pallisar.exe]\r\n"
        "\"Version\"=\"win98\"\r\n");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(keys[0].path, "SYSTEM\\ControlSet001\\Enum\\PCI\\VEN_121A\\1");
    EXPECT_EQ(keys[1].root, HKEY_CURRENT_USER);
    EXPECT_EQ(keys[1].path, "Software\\Wine\\AppDefaults\\pallisar.exe");
}

TEST(RegistryHelpers, ImportReadAndDeleteTree) {
    ProgramDirectory dir;
    const std::string key = "Software\\PallisarE2E\\Import";
    DeleteKeyTree(HKEY_CURRENT_USER, "Software\\PallisarE2E");
    dir.Write("t.reg",
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\PallisarE2E\\Import\\Child]\r\n"
              "\"Value\"=\"text with \\\"quotes\\\"\"\r\n\r\n");
    ASSERT_TRUE(ImportRegFile(dir.File("t.reg")));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key + "\\Child", "Value"),
              std::optional<std::string>("text with \"quotes\""));
    EXPECT_THAT(SubKeyNames(HKEY_CURRENT_USER, key), ElementsAre("Child"));
    EXPECT_EQ(ReadRegString(HKEY_CURRENT_USER, key + "\\Child", "Missing"), std::nullopt);
    EXPECT_TRUE(DeleteKeyTree(HKEY_CURRENT_USER, "Software\\PallisarE2E"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key + "\\Child"));
}

}  // namespace
}  // namespace pallisar::e2e
