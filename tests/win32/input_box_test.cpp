// The input box and the file dialogs' filter on the Windows layer: the box is shown
// modally, answered from a timer as a user would, and its result read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "support/fake_prompts.h"
#include "win32/resource.h"
#include "win32/win32_prompts.h"

namespace pallisar {
namespace {

// What the timer saw of the box, and what it answers: the text to type, or Cancel.
struct Script {
    const char* typed = nullptr;
    bool found = false;
    std::string prompt;
    std::string startText;
    LRESULT limit = 0;
} gScript;

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Save Preset As...");
    if (!box) return;  // not shown yet
    KillTimer(nullptr, timer);
    char text[300] = {};
    gScript.found = true;
    GetDlgItemTextA(box, IDC_INPUTBOX_PROMPT, text, sizeof text);
    gScript.prompt = text;
    GetDlgItemTextA(box, IDC_INPUTBOX_TEXT, text, sizeof text);
    gScript.startText = text;
    gScript.limit = SendDlgItemMessageA(box, IDC_INPUTBOX_TEXT, EM_GETLIMITTEXT, 0, 0);
    if (gScript.typed) SetDlgItemTextA(box, IDC_INPUTBOX_TEXT, gScript.typed);
    PostMessageA(box, WM_COMMAND, gScript.typed ? IDOK : IDCANCEL, 0);
}

TEST(InputBox, ShowsCaptionPromptAndTextAndAnswersOkOrCancel) {
    test::FakePrompts errors;
    Application app(GetModuleHandleA(nullptr), errors);
    Win32Prompts prompts("Pallisar Game Launcher");
    EXPECT_EQ(prompts.InputBox("Save Preset As...", "Name", ""), std::nullopt)
        << "without the application the box cannot be shown";
    prompts.SetApplication(&app);

    const std::string longName(300, 'n');
    struct Case {
        const char* typed;
        std::optional<std::string> answer;
    } const cases[] = {{"My Preset", "My Preset"},
                       {"", ""},
                       {nullptr, std::nullopt},
                       {longName.c_str(), std::string(255, 'n')}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "Cancel");
        gScript = Script();
        gScript.typed = c.typed;
        ASSERT_NE(SetTimer(nullptr, 0, 50, AnswerBox), 0u);
        EXPECT_EQ(prompts.InputBox("Save Preset As...", "Name", "start"), c.answer);
        EXPECT_TRUE(gScript.found);
        EXPECT_EQ(gScript.prompt, "Name");
        EXPECT_EQ(gScript.startText, "start");
        EXPECT_EQ(gScript.limit, 255);
    }
    EXPECT_TRUE(errors.shown.empty());
}

TEST(InputBox, FileDialogFiltersBecomeNulSeparatedPairs) {
    using namespace std::string_literals;
    EXPECT_EQ(CommonDialogFilter("Shortcuts|*.lnk|All Files (*.*)|*.*"),
              "Shortcuts\0*.lnk\0All Files (*.*)\0*.*\0\0"s);
    EXPECT_EQ(CommonDialogFilter(""), "");
}

}  // namespace
}  // namespace pallisar
