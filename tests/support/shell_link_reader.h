#pragma once
// Reads a shortcut file (.lnk) back through Windows' own shell link object. For tests
// that run on Windows (or under Wine) only; the calling thread must be in COM.

#include <gtest/gtest.h>
#include <windows.h>
// after windows.h, which they need
#include <objidl.h>
#include <shlobj.h>

#include <string>

#include "win32/com_ptr.h"

namespace pallisar::test {

// What the shell reads back from a .lnk file.
struct LinkFields {
    std::string path, arguments, workingDir, iconFile, description;
    int iconNumber = -1;
    WORD hotKey = 0xFFFF;
};

inline testing::AssertionResult ReadLink(const std::string& file, LinkFields& fields) {
    ComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link.ReceiveVoid());
    if (FAILED(result)) return testing::AssertionFailure() << "CoCreateInstance " << result;
    ComPtr<IPersistFile> persist;
    if (FAILED(result = link.QueryInterface(IID_IPersistFile, persist)))
        return testing::AssertionFailure() << "IPersistFile " << result;
    const std::wstring wide(file.begin(), file.end());
    if (FAILED(result = persist->Load(wide.c_str(), STGM_READ)))
        return testing::AssertionFailure() << "Load " << file << ": " << result;
    char text[MAX_PATH * 2] = {};
    link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
    fields.path = text;
    link->GetArguments(text, sizeof text);
    fields.arguments = text;
    link->GetWorkingDirectory(text, sizeof text);
    fields.workingDir = text;
    link->GetIconLocation(text, sizeof text, &fields.iconNumber);
    fields.iconFile = text;
    link->GetDescription(text, sizeof text);
    fields.description = text;
    link->GetHotkey(&fields.hotKey);
    return testing::AssertionSuccess();
}

}  // namespace pallisar::test
