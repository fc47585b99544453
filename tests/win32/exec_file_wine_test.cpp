// TExecFile with the Windows backend, starting probe.exe for real. The probe appends
// what it saw (command line, current directory, its own path, start-up information)
// to the report file named by PALLISAR_PROBE_REPORT.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "app/exec_file.h"
#include "core/text.h"
#include "support/temp_dir.h"
#include "win32/win32_process_starter.h"
#include "win32/win32_registry.h"

using namespace pallisar;
using pallisar::test::ReadFileBytes;
using pallisar::test::TempDir;

namespace {

using Block = std::map<std::string, std::string>;

void DeleteTree(RegRoot root, const std::string& path) { Win32Registry().DeleteTree(root, path); }

std::string ProbeExe() {
    char path[MAX_PATH + 1] = {};
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.find_last_of('\\') + 1) + "probe.exe";
}

// The [run] blocks of a probe report, in order.
std::vector<Block> ReadReport(const std::string& path) {
    std::vector<Block> blocks;
    const std::string text = ReadFileBytes(path);
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("\r\n", at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        if (line == "[run]") {
            blocks.emplace_back();
        } else if (!blocks.empty() && line.find('=') != std::string::npos) {
            blocks.back()[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
        }
    }
    return blocks;
}

std::string WithoutTrailingDelimiter(std::string path) {
    if (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

int served = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_APP + 7) ++served;
    return DefWindowProcA(window, message, w, l);
}

class ExecFileWine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CopyFileA(ProbeExe().c_str(), probe.c_str(), FALSE))
            << "probe.exe is expected next to the test program: " << ProbeExe();
        SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", report.c_str());
        exec.OnFail = [this](TExecFile&) { ++fails; };
    }
    void TearDown() override {
        WaitForLastProcess();
        SetEnvironmentVariableA("PALLISAR_PROBE_REPORT", nullptr);
    }

    // The probe of the last start has ended (for starts that do not wait).
    void WaitForLastProcess() {
        if (!exec.ProcessInfo()) return;
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, exec.ProcessInfo()->ProcessId());
        if (process) {
            EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
            CloseHandle(process);
        }
    }

    bool LastProcessEnded() {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, exec.ProcessInfo()->ProcessId());
        EXPECT_NE(process, nullptr);
        const bool ended = process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        if (process) CloseHandle(process);
        return ended;
    }

    DWORD LastExitCode() {
        DWORD code = 12345;
        HANDLE process =
            OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, exec.ProcessInfo()->ProcessId());
        EXPECT_NE(process, nullptr);
        if (process) {
            GetExitCodeProcess(process, &code);
            CloseHandle(process);
        }
        return code;
    }

    long ElapsedMsOfExecute() {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(exec.Execute()) << "LastError " << exec.LastError();
        return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - start)
                                     .count());
    }

    TempDir dir;
    const std::string probe = dir.File("probe.exe");
    const std::string report = dir.File("report.ini");
    Win32ProcessStarter starter;
    TExecFile exec{starter};
    int fails = 0;
};

TEST_F(ExecFileWine, ProbeSeesTheBuiltCommandLineAndDirectory) {
    exec.SetCommandLine(probe);
    exec.SetParameters("--exit-code 3 -x");
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    ASSERT_TRUE(exec.Execute()) << exec.LastError();
    EXPECT_EQ(LastExitCode(), 3u);

    exec.SetParameters("");
    exec.SetWorkingDir(dir.Path());
    exec.SetPriority(TPriorityClass::pcIdle);
    exec.SetWindowStyle(TWindowStyle::wsMinNoActivate);
    ASSERT_TRUE(exec.Execute()) << exec.LastError();
    EXPECT_EQ(LastExitCode(), 0u);
    EXPECT_EQ(fails, 0);

    const std::vector<Block> runs = ReadReport(report);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].at("CommandLine"), probe + " --exit-code 3 -x");
    EXPECT_EQ(runs[0].at("CurrentDir"), "C:\\");
    EXPECT_TRUE(SameText(runs[0].at("Module"), probe)) << runs[0].at("Module");
    EXPECT_EQ(StrToInt(runs[0].at("StartupFlags")) & STARTF_USESHOWWINDOW, STARTF_USESHOWWINDOW);
    EXPECT_EQ(runs[0].at("ShowWindow"), "1");
    EXPECT_EQ(runs[0].at("End"), "1");

    EXPECT_EQ(runs[1].at("CommandLine"), probe + " ");
    EXPECT_TRUE(SameText(runs[1].at("CurrentDir"), WithoutTrailingDelimiter(dir.Path())))
        << runs[1].at("CurrentDir");
    EXPECT_EQ(runs[1].at("ShowWindow"), "7");
    // Not checked here: Wine 8 starts every process at normal priority whatever the
    // creation flags ask for (the flags themselves are checked in the unit tests).
}

TEST_F(ExecFileWine, WaitingStylesReturnOnlyAfterTheProbeEnded) {
    exec.SetCommandLine(probe);
    exec.SetParameters("--delay-ms 800");
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    EXPECT_GE(ElapsedMsOfExecute(), 750);
    EXPECT_TRUE(LastProcessEnded());

    // The regular wait serves the thread's messages meanwhile.
    served = 0;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PallisarExecFileTestSink";
    RegisterClassA(&windowClass);
    HWND sink = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(sink, nullptr);
    PostMessageA(sink, WM_APP + 7, 0, 0);
    exec.SetWaitStyle(TWaitStyle::wRegular);
    EXPECT_GE(ElapsedMsOfExecute(), 750);
    EXPECT_TRUE(LastProcessEnded());
    EXPECT_EQ(served, 1);
    DestroyWindow(sink);
    EXPECT_EQ(ReadReport(report).size(), 2u);
}

TEST_F(ExecFileWine, WithoutWaitReturnsAtOnce) {
    exec.SetCommandLine(probe);
    exec.SetParameters("--delay-ms 3000");
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    EXPECT_LT(ElapsedMsOfExecute(), 1500);
    ASSERT_NE(exec.ProcessInfo(), nullptr);
    EXPECT_FALSE(LastProcessEnded());
}

TEST_F(ExecFileWine, MissingProgramFailsWithTheSystemError) {
    exec.SetCommandLine(dir.File("missing\\game.exe"));
    exec.SetWait(true);
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(fails, 1);
    EXPECT_NE(exec.LastError(), 0u);
    EXPECT_EQ(exec.ProcessInfo(), nullptr);

    exec.SetCommandLine(dir.File("nogame.exe"));
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(exec.LastError(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(fails, 2);
}

// "C:\...\Program Files\Game\game.exe" unquoted would let the system run
// "C:\...\Program.exe" first.
TEST_F(ExecFileWine, PathWithBlankStartsTheGameAndNotAPlantedProgram) {
    ASSERT_EQ(dir.Path().find(' '), std::string::npos) << "the check needs a blank-free base";
    const std::string gameDir = dir.File("Program Files\\Game\\");
    ASSERT_TRUE(CreateDirectoryA(dir.File("Program Files").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(gameDir.c_str(), nullptr));
    const std::string game = gameDir + "game.exe";
    const std::string planted = dir.File("Program.exe");
    ASSERT_TRUE(CopyFileA(probe.c_str(), game.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(probe.c_str(), planted.c_str(), FALSE));

    // The system does take the planted program for the bare path: the check below
    // would see it.
    ProcessStart bare;
    bare.commandLine = game + " ";
    bare.startup.flags = STARTF_USESHOWWINDOW;
    bare.startup.showWindow = SW_SHOWNORMAL;
    ProcessStartResult started = starter.StartProcess(bare);
    ASSERT_NE(started.process, nullptr) << started.error;
    starter.WaitForProcess(*started.process);
    std::vector<Block> runs = ReadReport(report);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(SameText(runs[0].at("Module"), planted)) << runs[0].at("Module");
    DeleteFileA(report.c_str());

    exec.SetCommandLine(game);
    exec.SetWorkingDir(ExtractProgramDir(game));
    exec.SetParameters("--exit-code 5");
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    ASSERT_TRUE(exec.Execute()) << exec.LastError();
    runs = ReadReport(report);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(SameText(runs[0].at("Module"), game)) << runs[0].at("Module");
    EXPECT_EQ(runs[0].at("CommandLine"), "\"" + game + "\" --exit-code 5");
    EXPECT_TRUE(SameText(runs[0].at("CurrentDir"), WithoutTrailingDelimiter(gameDir)));
    EXPECT_EQ(LastExitCode(), 5u);
}

// A document with its own file type starts through the program registered for it.
TEST_F(ExecFileWine, AssociationStartsTheRegisteredProgramWithTheDocument) {
    const std::string document = dir.File("saved game.pallisarprobe");
    pallisar::test::WriteFileBytes(document, "not a program");
    const std::string command = "\"" + probe + "\" \"%1\"";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, ".pallisarprobe", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>("PallisarProbe.Doc"), 18);
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, "PallisarProbe.Doc\\shell\\open\\command", 0,
                              nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);

    exec.SetCommandLine(document);
    exec.SetParameters("--exit-code 9");
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    // Switched off (as in the launcher), the document is not opened.
    EXPECT_FALSE(exec.Execute());
    EXPECT_EQ(fails, 1);

    exec.SetAssociate(true);
    const bool started = exec.Execute();
    DeleteTree(RegRoot::ClassesRoot, ".pallisarprobe");
    DeleteTree(RegRoot::ClassesRoot, "PallisarProbe.Doc");
    ASSERT_TRUE(started) << exec.LastError();
    EXPECT_EQ(LastExitCode(), 9u);
    const std::vector<Block> runs = ReadReport(report);
    ASSERT_EQ(runs.size(), 1u);
    const std::string line = runs[0].at("CommandLine");
    const std::string tail = " \"" + document + "\" --exit-code 9";
    ASSERT_GT(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    EXPECT_TRUE(SameText(runs[0].at("Module"), probe)) << runs[0].at("Module");
}

// What the end-to-end tests read: the driver values the game sees while it runs.
TEST_F(ExecFileWine, ProbeRecordsTheDriverValues) {
    const std::string driver = "Software\\PallisarTest\\ProbeDriver";
    DeleteTree(RegRoot::LocalMachine, driver);
    const auto set = [&](const std::string& subKey, const char* name, DWORD type,
                         const std::string& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (driver + "\\" + subKey).c_str(), 0, nullptr,
                                  0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size()));
        RegCloseKey(key);
    };
    set("Glide", "FX_GLIDE_NO_SPLASH", REG_SZ, std::string("1\0", 2));
    set("Glide", "odd=name", REG_SZ, std::string("50% a\nb\0", 8));
    set("D3D", "FX_D3D_LOD", REG_DWORD, std::string("\x2A\x01\0\0", 4));
    set("D3D", "Blob", REG_BINARY, std::string("\x00\xAB", 2));
    SetEnvironmentVariableA("PALLISAR_PROBE_DRIVER_KEY", driver.c_str());

    exec.SetCommandLine(probe);
    exec.SetWait(true);
    exec.SetWaitStyle(TWaitStyle::wSuspend);
    const bool started = exec.Execute();
    SetEnvironmentVariableA("PALLISAR_PROBE_DRIVER_KEY", nullptr);
    DeleteTree(RegRoot::LocalMachine, driver);
    ASSERT_TRUE(started) << exec.LastError();

    const std::vector<Block> runs = ReadReport(report);
    ASSERT_EQ(runs.size(), 1u);
    const Block& run = runs[0];
    EXPECT_EQ(run.at("DriverKey"), driver);
    EXPECT_EQ(run.at("Glide\\FX_GLIDE_NO_SPLASH"), "1:1");
    EXPECT_EQ(run.at("Glide\\odd%3Dname"), "1:50%25 a%0Ab");
    EXPECT_EQ(run.at("D3D\\FX_D3D_LOD"), "4:298");
    EXPECT_EQ(run.at("D3D\\Blob"), "3:00AB");
    EXPECT_EQ(run.size(), 15u);  // 11 fixed lines and the four values
}

}  // namespace
