#include "list_programs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board.h"
#include "core/file_access.h"
#include "core/file_names.h"
#include "support/icon_fixtures.h"

namespace pallisar::bench {

namespace {

struct WindowSearch {
    DWORD pid;
    const char* caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->pid) return TRUE;
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    const std::string caption = text;
    if (caption.compare(0, std::strlen(search->caption), search->caption) != 0) return TRUE;
    if (!FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr)) return TRUE;
    search->found = window;
    return FALSE;
}

bool Send(HWND window, UINT message, LRESULT* result) {
    DWORD_PTR answer = 0;
    const auto limit = static_cast<UINT>(std::chrono::milliseconds(kLimit).count());
    if (!SendMessageTimeoutA(window, message, 0, 0, SMTO_NORMAL, limit, &answer)) return false;
    *result = static_cast<LRESULT>(answer);
    return true;
}

}  // namespace

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string ModuleDir() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return ExtractFilePath(path);
}

std::string MakeCatalogue(int count, const std::function<std::string(int)>& iconOf) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        char title[32];
        const int number = (i * 7919) % count;  // not in order
        std::snprintf(title, sizeof title, "Game %04d", number);
        text += "[" + std::string(title) + "]\r\n";
        text += "IconName=" + iconOf(number) + "\r\n";
        text += "Params=-window\r\n";
        text += "Run=C:\\Games\\" + std::string(title) + "\\game.exe\r\n";
        text +=
            "GameOnly=0\r\nSplash=Disable\r\nTextureCompression=Enable\r\n"
            "ColorDepth=Software Controlled\r\nMIPMap=Disable\r\n"
            "MaxBufferedFrames=1 Pending Buffer\r\nTripleBuffering=Disable\r\n"
            "gl16BitZPrecision=Fast\r\ngl32BitZPrecision=Fast\r\nglHSR=Disable\r\n"
            "glGuardbandClipping=Disable\r\nZBuffer=Enable\r\nD3DMIPMap=Disable\r\n"
            "D3DMaxBufferedFrames=1 Pending Buffer\r\nAlphaBlending=Automatic\r\n"
            "TDFilterQuality=Automatic\r\nAA=Fastest Performance\r\nglAAToggle=Disable\r\n"
            "D3DAAToggle=Disable\r\nLODBias=0\r\nVSynch=Enable\r\nD3DVSynch=Enable\r\n"
            "RGamma=1.30\r\nGGamma=1.30\r\nBGamma=1.30\r\n";
    }
    return text;
}

// The .ico file all games of a shared-icon catalogue show: 16, 32 and 48 pixels.
static std::string SharedIconFile() {
    using test::MakeDibImage;
    return test::MakeIcoFile(
        {MakeDibImage(16, 16, 32, 1), MakeDibImage(32, 32, 32, 2), MakeDibImage(48, 48, 32, 3)});
}

std::string InstallLauncher(e2e::ProgramDirectory& dir, const std::string& launcher, int count,
                            IconKind kind) {
    const std::string exe = dir.Install(launcher);
    dir.Write("settings.cfg", "[Program]\r\nVersion=1.01\r\n");
    if (kind == IconKind::Shared) {
        dir.Write("shared.ico", SharedIconFile());
        const std::string shared = dir.File("shared.ico") + ",0";
        dir.Write("Game.dat", MakeCatalogue(count, [&](int) { return shared; }));
        return exe;
    }
    using test::MakeDibImage;
    for (int i = 0; i < count; ++i) {
        dir.Write("game" + std::to_string(i) + ".ico",
                  test::MakeIcoFile({MakeDibImage(16, 16, 32, i), MakeDibImage(32, 32, 32, i)}));
    }
    dir.Write("Game.dat", MakeCatalogue(count, [&](int i) {
                  return dir.File("game" + std::to_string(i) + ".ico") + ",0";
              }));
    return exe;
}

bool PrepareBench(int argc, char** argv, int defaultRuns, std::vector<int> defaultSizes,
                  BenchSetup* setup) {
    setup->runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : defaultRuns;
    setup->sizes.clear();
    for (int i = 2; i < argc; ++i) setup->sizes.push_back(std::max(1, std::atoi(argv[i])));
    if (setup->sizes.empty()) setup->sizes = std::move(defaultSizes);
    std::sort(setup->sizes.begin(), setup->sizes.end());
    setup->bin = ModuleDir();
    setup->launcher = setup->bin + "pallisar.exe";
    setup->bare = setup->bin + "bare_list.exe";
    if (!FileExists(setup->launcher) || !FileExists(setup->bare)) {
        std::fprintf(stderr, "pallisar.exe and bare_list.exe must be next to this program\n");
        return false;
    }
    if (!e2e::LoadBoard("voodoo5_dual")) {
        std::fprintf(stderr, "cannot load the voodoo5_dual board\n");
        return false;
    }
    return true;
}

bool CaptionNamesBoard(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return std::string(text).find(" - ") != std::string::npos;
}

bool RunUntilIdle(const std::string& exe, const e2e::LaunchOptions& options, const char* caption,
                  int items, bool (*ready)(HWND), Timing* timing,
                  const std::function<void(const e2e::AppProcess&, HWND)>& whileRunning) {
    e2e::AppProcess app;
    const auto start = Clock::now();
    if (!app.Start(exe, options)) {
        std::fprintf(stderr, "cannot start %s\n", exe.c_str());
        return false;
    }
    const auto deadline = start + kLimit;
    HWND window = nullptr;
    HWND list = nullptr;
    bool ok = false;
    while (Clock::now() < deadline && app.Running()) {
        if (!window) {
            WindowSearch search{app.Id(), caption};
            EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
            window = search.found;
            if (window) list = FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
        }
        LRESULT count = 0;
        if (list && Send(list, LVM_GETITEMCOUNT, &count) && count == items) {
            timing->listFilled = Millis(Clock::now() - start);
            ok = true;
            break;
        }
        Sleep(1);
    }
    if (ok) {
        ok = false;
        while (Clock::now() < deadline && app.Running()) {
            LRESULT ignored = 0;
            if ((!ready || ready(window)) && Send(window, WM_NULL, &ignored)) {
                timing->idle = Millis(Clock::now() - start);
                ok = true;
                break;
            }
            Sleep(1);
        }
    }
    if (!ok) std::fprintf(stderr, "%s: no list of %d items in time\n", exe.c_str(), items);
    if (ok && whileRunning) whileRunning(app, window);
    app.Kill();
    app.WaitForExit(std::chrono::duration_cast<e2e::Millis>(kLimit));
    // Under Wine a program ended with its tray icon up holds up the next program's start
    // for some 2 s: each run starts on a quiet system.
    Sleep(static_cast<DWORD>(std::chrono::milliseconds(kSettle).count()));
    return ok;
}

int ScrollAndCountIconReads(HWND window, const std::string& stateFile) {
    const HWND list = FindWindowExA(window, nullptr, WC_LISTVIEWA, nullptr);
    LRESULT count = 0;
    if (!list || !Send(list, LVM_GETITEMCOUNT, &count)) return -1;
    for (LRESULT item = 0; item < count; item += 3) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(item), FALSE, SMTO_NORMAL,
                            10000, &ignored);
        UpdateWindow(list);
    }
    SendMessageTimeoutA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(count - 1), FALSE, SMTO_NORMAL,
                        10000, nullptr);
    UpdateWindow(list);
    // The icons wanted last are read meanwhile; the report counts what was read by then.
    int reads = -1;
    for (int settle = 0; settle < 20; ++settle) {
        Sleep(100);
        DeleteFileA(stateFile.c_str());
        static const UINT writeState = RegisterWindowMessageA("PallisarWriteState");
        SendMessageTimeoutA(window, writeState, 0, 0, SMTO_NORMAL, 10000, nullptr);
        const auto lines = e2e::ReadLines(stateFile);
        if (!lines) continue;
        int now = -1;
        for (const std::string& line : *lines) {
            if (line.rfind("reads=", 0) == 0) now = std::atoi(line.c_str() + 6);
        }
        if (now == reads) break;  // nothing more was read in the last 0.1 s
        reads = now;
    }
    return reads;
}

}  // namespace pallisar::bench
