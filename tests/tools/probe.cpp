// probe.exe: a stand-in for a game. It appends one block to its report file with
// what it sees while it runs, then waits if asked to and exits with a chosen code.
//
// Arguments (anywhere on its command line):
//   --delay-ms N    sleep N milliseconds after writing the report
//   --exit-code N   exit with code N (default 0)
//   --window        show a window in front while it waits, as a game does, so that the
//                   launcher is deactivated and activated again when the probe ends
//   --after-parent  before looking at anything, wait (up to 60 s) until the probe that
//                   started this one (PALLISAR_PROBE_PARENT) has ended
//   --spawn LINE    after writing the report, start LINE (the rest of the command line)
//                   as a new process, then sleep --delay-ms and exit: a start-up program
//                   that starts the real game. The options above are read from the part
//                   before --spawn only; LINE may hold another --spawn (a chain).
// Environment:
//   PALLISAR_PROBE_REPORT      report file (default: probe-report.ini next to the exe)
//   PALLISAR_PROBE_DRIVER_KEY  a driver key under HKEY_LOCAL_MACHINE whose Glide and
//                              D3D sub-keys are recorded
//   PALLISAR_PROBE_DELAY_MS    delay when --delay-ms is not given
//   PALLISAR_PROBE_EXIT_CODE   exit code when --exit-code is not given
//   PALLISAR_PROBE_PARENT      set by a probe for the one it spawns: its process id
//
// Report format: the file only grows; each run appends one block
//
//   [run]
//   CommandLine=<GetCommandLineA>
//   CurrentDir=<GetCurrentDirectoryA>
//   Module=<GetModuleFileNameA of the probe itself>
//   StartupFlags=<STARTUPINFO dwFlags, decimal>
//   ShowWindow=<STARTUPINFO wShowWindow, decimal>
//   PriorityClass=<GetPriorityClass, decimal>
//   ProcessId=<decimal>
//   DelayMs=<decimal>
//   ExitCode=<decimal>
//   DriverKey=<the key, empty when none was given>
//   ParentEnded=<1 when --after-parent saw the parent end, 0 when it did not>
//                                  (only with --after-parent)
//   Spawned=<process id of the spawned process, 0 when it could not start>
//                                  (only with --spawn)
//   Glide\<name>=<type>:<data>     one line per value of <DriverKey>\Glide
//   D3D\<name>=<type>:<data>       one line per value of <DriverKey>\D3D
//   End=1
//
// <type> is the registry type number (1 = REG_SZ, 4 = REG_DWORD, ...). <data> is the
// text for REG_SZ and REG_EXPAND_SZ (without its terminating zero), the strings of
// REG_MULTI_SZ separated by %00, the decimal number for REG_DWORD, and the bytes in
// upper-case hexadecimal for every other type. In every text after the "=" and in
// value names, bytes below 32, byte 127 and "%" are written as %HH (upper-case hex);
// in value names "=" is written as %3D too. A sub-key that does not exist gives no
// lines. A block without its End=1 line is from a probe that was cut short.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Escape(const std::string& text, bool isName) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (c < 32 || c == 127 || c == '%' || (isName && c == '=')) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Env(const char* name) {
    char buffer[1024];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
    return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

// The value following `option` among the blank-separated words of the command line.
bool OptionValue(const std::string& line, const std::string& option, long& value) {
    std::size_t at = 0;
    while ((at = line.find(option, at)) != std::string::npos) {
        const bool startsWord = at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t';
        at += option.size();
        if (!startsWord || (at < line.size() && line[at] != ' ' && line[at] != '\t')) continue;
        char* end = nullptr;
        value = std::strtol(line.c_str() + at, &end, 10);
        return end != line.c_str() + at;
    }
    return false;
}

long Setting(const std::string& line, const char* option, const char* envName) {
    long value = 0;
    if (OptionValue(line, option, value)) return value;
    const std::string env = Env(envName);
    return env.empty() ? 0 : std::strtol(env.c_str(), nullptr, 10);
}

std::string ValueData(DWORD type, const std::vector<unsigned char>& data) {
    std::string bytes(data.begin(), data.end());
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            if (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
            return Escape(bytes, false);
        case REG_MULTI_SZ:
            while (!bytes.empty() && bytes.back() == '\0') bytes.pop_back();
            return Escape(bytes, false);
        case REG_DWORD:
            if (data.size() == 4) {
                const unsigned long number = data[0] | data[1] << 8 | data[2] << 16 |
                                             static_cast<unsigned long>(data[3]) << 24;
                return std::to_string(number);
            }
            break;
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : data) {
        hex += kHex[c >> 4];
        hex += kHex[c & 15];
    }
    return hex;
}

void RecordValues(const std::string& driverKey, const char* subKey, std::string& report) {
    HKEY key = nullptr;
    const std::string path = driverKey + "\\" + subKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        char name[16384];
        DWORD nameLength = sizeof(name);
        DWORD type = 0;
        DWORD size = 0;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::vector<unsigned char> data(size);
        DWORD read = size;
        if (RegQueryValueExA(key, name, nullptr, &type, data.empty() ? nullptr : data.data(),
                             &read) != ERROR_SUCCESS) {
            continue;
        }
        data.resize(read);
        report += std::string(subKey) + "\\" + Escape(std::string(name, nameLength), true) + "=" +
                  std::to_string(type) + ":" + ValueData(type, data) + "\r\n";
    }
    RegCloseKey(key);
}

std::string ReportPath() {
    std::string path = Env("PALLISAR_PROBE_REPORT");
    if (!path.empty()) return path;
    char module[MAX_PATH + 1] = {};
    path.assign(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    return path.substr(0, path.find_last_of("\\/:") + 1) + "probe-report.ini";
}

// Appends in one write; another probe may be appending to the same file.
void Append(const std::string& path, const std::string& text) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file =
            CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
            CloseHandle(file);
            return;
        }
        Sleep(20);
    }
}

// Waits until the process with this id has ended.
bool ParentEnded(const std::string& id) {
    if (id.empty()) return false;
    const HANDLE parent =
        OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(std::strtoul(id.c_str(), nullptr, 10)));
    if (!parent) return true;  // gone already
    const bool ended = WaitForSingleObject(parent, 60000) == WAIT_OBJECT_0;
    CloseHandle(parent);
    return ended;
}

DWORD Spawn(const std::string& commandLine) {
    SetEnvironmentVariableA("PALLISAR_PROBE_PARENT", std::to_string(GetCurrentProcessId()).c_str());
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    std::vector<char> text(commandLine.begin(), commandLine.end());
    text.push_back('\0');
    if (!CreateProcessA(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return 0;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return info.dwProcessId;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string fullLine = GetCommandLineA();
    const std::size_t spawnAt = fullLine.find(" --spawn ");
    const std::string line = fullLine.substr(0, spawnAt);
    const std::string spawnLine =
        spawnAt == std::string::npos ? std::string() : fullLine.substr(spawnAt + 9);
    bool afterParent = false;
    for (std::size_t at = line.find("--after-parent"); at != std::string::npos;
         at = line.find("--after-parent", at + 1)) {
        afterParent = true;
    }
    const bool parentEnded = afterParent && ParentEnded(Env("PALLISAR_PROBE_PARENT"));
    const long delayMs = Setting(line, "--delay-ms", "PALLISAR_PROBE_DELAY_MS");
    const long exitCode = Setting(line, "--exit-code", "PALLISAR_PROBE_EXIT_CODE");

    char directory[MAX_PATH + 1] = {};
    const DWORD directoryLength = GetCurrentDirectoryA(sizeof(directory), directory);
    char module[MAX_PATH + 1] = {};
    const DWORD moduleLength = GetModuleFileNameA(nullptr, module, MAX_PATH);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const std::string driverKey = Env("PALLISAR_PROBE_DRIVER_KEY");

    std::string report = "[run]\r\n";
    report += "CommandLine=" + Escape(fullLine, false) + "\r\n";
    report += "CurrentDir=" + Escape(std::string(directory, directoryLength), false) + "\r\n";
    report += "Module=" + Escape(std::string(module, moduleLength), false) + "\r\n";
    report += "StartupFlags=" + std::to_string(startup.dwFlags) + "\r\n";
    report += "ShowWindow=" + std::to_string(startup.wShowWindow) + "\r\n";
    report += "PriorityClass=" + std::to_string(GetPriorityClass(GetCurrentProcess())) + "\r\n";
    report += "ProcessId=" + std::to_string(GetCurrentProcessId()) + "\r\n";
    report += "DelayMs=" + std::to_string(delayMs) + "\r\n";
    report += "ExitCode=" + std::to_string(exitCode) + "\r\n";
    report += "DriverKey=" + Escape(driverKey, false) + "\r\n";
    if (afterParent) report += std::string("ParentEnded=") + (parentEnded ? "1" : "0") + "\r\n";
    if (!driverKey.empty()) {
        RecordValues(driverKey, "Glide", report);
        RecordValues(driverKey, "D3D", report);
    }
    // The spawned probe starts before this report is written: a start-up program ends
    // right after starting the game.
    if (!spawnLine.empty()) {
        report += "Spawned=";
        report += std::to_string(Spawn(spawnLine));
        report += "\r\n";
    }
    report += "End=1\r\n";
    Append(ReportPath(), report);

    if (line.find(" --window") != std::string::npos) {
        HWND window = CreateWindowExA(0, "STATIC", "probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                      320, 200, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(window);
        const DWORD end = GetTickCount() + static_cast<DWORD>(delayMs > 0 ? delayMs : 0);
        MSG msg;
        while (static_cast<long>(end - GetTickCount()) > 0) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        DestroyWindow(window);
    } else if (delayMs > 0) {
        Sleep(static_cast<DWORD>(delayMs));
    }
    return static_cast<int>(exitCode);
}
