// The icon reader against the Windows shell's own ExtractIconA: the same number of
// icons in real system files, in .ico files and in the program files the tests
// build; and every icon it reads becomes a real HICON of the size asked for.

// clang-format off
#include <windows.h>
#include <shellapi.h>  // needs windows.h first
// clang-format on

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/file_index_icon.h"
#include "core/icon_resources.h"
#include "support/icon_fixtures.h"
#include "support/temp_dir.h"
#include "win32/icon_handle.h"

using namespace pallisar;
using namespace pallisar::test;

namespace {

std::string SystemDirectory() {
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path, length) + "\\";
}

std::string WindowsDirectory() {
    char path[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    return std::string(path, length) + "\\";
}

int ShellCount(const std::string& path) {
    // Index -1 asks for the number of icons; the count comes back as the handle value.
    return static_cast<int>(reinterpret_cast<UINT_PTR>(
        ExtractIconA(GetModuleHandleA(nullptr), path.c_str(), static_cast<UINT>(-1))));
}

IconHandle ShellIcon(const std::string& path, int index) {
    return IconHandle(
        ExtractIconA(GetModuleHandleA(nullptr), path.c_str(), static_cast<UINT>(index)));
}

// Size and pixels of an icon, read back through GetIconInfo.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> colour;
    std::vector<DWORD> mask;
};

std::vector<DWORD> Bits(HBITMAP bitmap, int width, int height) {
    std::vector<DWORD> bits(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return bits;
}

bool ReadPixels(HICON icon, IconPixels& out) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return false;
    BITMAP mask = {};
    GetObjectA(info.hbmMask, sizeof(mask), &mask);
    out.width = mask.bmWidth;
    out.height = info.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    out.mask = Bits(info.hbmMask, mask.bmWidth, mask.bmHeight);
    if (info.hbmColor) out.colour = Bits(info.hbmColor, out.width, out.height);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return true;
}

bool HasImageOfSize(const Icon& icon, int size) {
    for (const IconImage& image : icon.images) {
        if (image.width == size && image.height == size) return true;
    }
    return false;
}

struct FileResult {
    int icons = 0;
    int samePixels = 0;
};

// Count, every icon's HICON, and its size, against the shell for one file.
testing::AssertionResult AgreesWithShell(const std::string& path, FileResult& result) {
    const int expected = ShellCount(path);
    const int count = CountIconsInFile(path);
    if (count != expected) {
        return testing::AssertionFailure()
               << path << ": " << count << " icons, shell says " << expected;
    }
    result.icons = count;
    for (int i = 0; i < count; ++i) {
        const IconHandle shell = ShellIcon(path, i);
        const auto icon = ReadIconFromFile(path, i);
        const IconHandle ours = icon ? CreateIconHandle(*icon, 32, 32) : IconHandle();
        if (!shell != !ours) {
            return testing::AssertionFailure()
                   << path << " icon " << i << ": ours " << (ours ? "loads" : "fails")
                   << ", the shell's " << (shell ? "loads" : "fails");
        }
        if (!ours) continue;
        IconPixels mine;
        IconPixels theirs;
        if (!ReadPixels(ours.Get(), mine) || !ReadPixels(shell.Get(), theirs)) {
            return testing::AssertionFailure() << path << " icon " << i << ": no icon info";
        }
        if (mine.width != 32 || mine.height != 32) {
            return testing::AssertionFailure()
                   << path << " icon " << i << " is " << mine.width << "x" << mine.height;
        }
        const IconImage* chosen = ChooseImage(*icon, 32, 32);
        if (HasImageOfSize(*icon, 32) && (chosen->width != 32 || chosen->height != 32)) {
            return testing::AssertionFailure() << path << " icon " << i << ": 32x32 not chosen";
        }
        if (mine.colour == theirs.colour && mine.mask == theirs.mask) ++result.samePixels;
    }
    return testing::AssertionSuccess();
}

}  // namespace

TEST(IconCountUnderWine, SystemProgramsAndLibrariesAgreeWithTheShell) {
    const std::string system = SystemDirectory();
    const std::string windows = WindowsDirectory();
    const std::vector<std::string> required = {system + "shell32.dll",  system + "user32.dll",
                                               system + "comctl32.dll", windows + "explorer.exe",
                                               system + "notepad.exe",  system + "winecfg.exe",
                                               windows + "regedit.exe"};
    const std::vector<std::string> more = {
        system + "comdlg32.dll", system + "cmd.exe",     system + "taskmgr.exe",
        system + "winefile.exe", system + "control.exe", system + "msiexec.exe",
        system + "shdocvw.dll",  system + "ieframe.dll", system + "setupapi.dll",
        system + "kernel32.dll", system + "oleview.exe", system + "winemine.exe",
        system + "appwiz.cpl",   system + "inetcpl.cpl", windows + "winhlp32.exe",
        windows + "notepad.exe", system + "progman.exe", system + "wordpad.exe"};
    int files = 0;
    int icons = 0;
    int samePixels = 0;
    for (const auto* list : {&required, &more}) {
        for (const std::string& path : *list) {
            SCOPED_TRACE(path);
            if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
                EXPECT_NE(list, &required) << "missing";
                continue;
            }
            FileResult result;
            EXPECT_TRUE(AgreesWithShell(path, result));
            ++files;
            icons += result.icons;
            samePixels += result.samePixels;
        }
    }
    // shell32.dll alone carries dozens of icons: a reader that finds none fails here.
    EXPECT_GT(CountIconsInFile(system + "shell32.dll"), 20);
    std::printf("%d files, %d icons, %d with the very pixels of the shell's icon\n", files, icons,
                samePixels);
}

TEST(IconCountUnderWine, EveryFileOfTheSystemDirectoryCountsAsTheShellCounts) {
    const std::string system = SystemDirectory();
    int files = 0;
    int withIcons = 0;
    for (const char* pattern : {"*.exe", "*.dll", "*.cpl", "*.ocx", "*.drv", "*.ax"}) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((system + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do {
            const std::string path = system + found.cFileName;
            const int expected = ShellCount(path);
            EXPECT_EQ(CountIconsInFile(path), expected) << path;
            ++files;
            if (expected > 0) ++withIcons;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    EXPECT_GT(files, 100);
    EXPECT_GT(withIcons, 10);
    std::printf("%d files compared, %d with icons\n", files, withIcons);
}

TEST(IconCountUnderWine, WrittenIconAndProgramFilesAgreeWithTheShell) {
    TempDir dir;
    struct Case {
        std::string name;
        std::string bytes;
    };
    std::string noImages = MakeIcoFile({MakeDibImage(32, 32, 4)});
    noImages[4] = 0;
    std::string cursor = MakeIcoFile({MakeDibImage(32, 32, 4)});
    cursor[2] = 2;
    const std::vector<Case> cases = {
        {"one.ico", MakeIcoFile({MakeDibImage(32, 32, 8)})},
        {"several.ico", MakeIcoFile({MakeDibImage(16, 16, 4, 1), MakeDibImage(32, 32, 8, 2),
                                     MakeDibImage(48, 48, 32, 3)})},
        {"written.ico", WriteIconFile(Icon{{MakeDibImage(16, 16, 8), MakeDibImage(32, 32, 32)}})},
        {"no-images.ico", noImages},
        {"cursor.cur", cursor},
        {"text.ico", "[Program]\r\n"},
        {"five.dll", MakePeFile(NumberedGroups(5))},
        {"five64.dll", MakePeFile(NumberedGroups(5), true)},
        {"named.exe", MakePeFile({{"MAINICON", 0, {MakeDibImage(32, 32, 8)}, 0},
                                  {"", 3, {MakeDibImage(16, 16, 4), MakeDibImage(32, 32, 4)}, 0}})},
        {"none.dll", MakePeFile({})},
        {"sixteen.dll", MakeNeFile(NumberedGroups(3, 4))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File(c.name);
        WriteFileBytes(path, c.bytes);
        FileResult result;
        EXPECT_TRUE(AgreesWithShell(path, result));
    }
    // The images the tests build are what the shell shows, pixel for pixel.
    FileResult five;
    ASSERT_TRUE(AgreesWithShell(dir.File("five.dll"), five));
    EXPECT_EQ(five.icons, 5);
    EXPECT_EQ(five.samePixels, 5);
    FileResult sixteen;
    ASSERT_TRUE(AgreesWithShell(dir.File("sixteen.dll"), sixteen));
    EXPECT_EQ(sixteen.icons, 3);
    EXPECT_EQ(sixteen.samePixels, 3);
}

TEST(IconCountUnderWine, FileIndexIconGivesWindowIconsOfBothSizes) {
    TFileIndexIcon icon;
    icon.SetFileName(SystemDirectory() + "shell32.dll");
    ASSERT_GT(icon.NumberOfIcons(), 3);
    icon.SetIconIndex(3);
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        const IconHandle handle = CreateIconHandle(icon, size, size);
        ASSERT_TRUE(handle);
        IconPixels pixels;
        ASSERT_TRUE(ReadPixels(handle.Get(), pixels));
        EXPECT_EQ(pixels.width, size);
        EXPECT_EQ(pixels.height, size);
    }
    EXPECT_TRUE(CreateIconHandle(icon, 0, 0));  // the system's large size

    TFileIndexIcon none;
    EXPECT_FALSE(CreateIconHandle(none, 32, 32));
}

TEST(IconCountUnderWine, IconHandleDestroysItsIconOnce) {
    const Icon icon{{MakeDibImage(32, 32, 8)}};
    HICON raw = nullptr;
    {
        IconHandle first = CreateIconHandle(icon, 32, 32);
        ASSERT_TRUE(first);
        raw = first.Get();
        IconHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.Get(), raw);
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(raw, &info));
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
    }
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(raw, &info)) << "the icon outlived its owner";

    IconHandle kept = CreateIconHandle(icon, 32, 32);
    HICON taken = kept.Take();
    EXPECT_FALSE(kept);
    EXPECT_TRUE(DestroyIcon(taken));  // still alive: Take gave it away
}
