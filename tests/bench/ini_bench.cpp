// Benchmark of the INI engine on a 1,000-game catalogue: 2 reads from each section
// (what LoadGameList does: IconName and Run), with IniFile and, on Windows (or under
// Wine), with GetPrivateProfileStringA on the same file, side by side.
//
//   iniBench [games]     (default 1000)
//
// The file is written first and then left alone for a few seconds, as Game.dat is
// when the program starts: the engine trusts its cache on time stamp and size only
// for a file that has settled (see ini_file.cpp). The same reads right after a write
// are timed too ("fresh file"), where the engine reads the file again each time, and
// the reads from one IniSnapshot, which checks the file once for the whole burst.

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/ini_file.h"
#include "tweaks/tweak_catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Title(int i) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "Game number %04d - The Sequel", i);
    return buffer;
}

std::string Catalogue(int games) {
    std::string text;
    for (int i = 0; i < games; ++i) {
        const std::string dir = "C:\\Games\\Game" + std::to_string(i) + "\\";
        text += "[" + Title(i) + "]\r\n";
        text += "Run=" + dir + "game.exe\r\n";
        text += "Params=-window -nosound\r\n";
        text += "IconName=" + dir + "game.exe,0\r\n";
        text += "GameOnly=0\r\n";
        for (const pallisar::TweakRow& tweak : pallisar::TweakCatalogue()) {
            text += std::string(tweak.Key) + "=" + std::string(tweak.Default) + "\r\n";
        }
    }
    return text;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(file);
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Reads IconName and Run of every game; returns the seconds taken. `check` counts
// the values that came back as written.
template <class Read>
double TimeReads(int games, Read read, int& check) {
    check = 0;
    const auto start = Clock::now();
    for (int i = 0; i < games; ++i) {
        const std::string title = Title(i);
        const std::string icon = read(title, "IconName");
        const std::string run = read(title, "Run");
        check += icon.size() > 6 && icon.compare(icon.size() - 2, 2, ",0") == 0;
        check += run.size() > 8 && run.compare(run.size() - 8, 8, "game.exe") == 0;
    }
    return Seconds(Clock::now() - start);
}

void Report(const char* what, double seconds, int reads, int check) {
    std::printf("%-34s total %9.3f ms  per read %9.3f us  (%d/%d values right)\n", what,
                seconds * 1e3, seconds * 1e6 / reads, check, reads);
}

}  // namespace

int main(int argc, char** argv) {
    const int games = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int reads = 2 * games;
    const auto dir =
        std::filesystem::temp_directory_path() /
        ("pallisar-ini-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "Game.dat").string();
    const std::string text = Catalogue(games);
    std::printf("catalogue: %d games, %d keys each, %zu bytes; %d reads per run\n", games,
                4 + static_cast<int>(pallisar::TweakCatalogue().size()), text.size(), reads);

    // 1. Right after the file was written.
    WriteFile(path, text);
    pallisar::IniFile ini(path);
    int check = 0;
    const double fresh = TimeReads(
        games, [&](const std::string& s, const char* k) { return ini.ReadString(s, k, ""); },
        check);
    Report("IniFile, fresh file", fresh, reads, check);

    // 2. The file as it is found at start-up: written a while ago.
    WriteFile(path, text);
    std::this_thread::sleep_for(std::chrono::milliseconds(3500));
    pallisar::IniFile settledIni(path);
    const double ours = TimeReads(
        games, [&](const std::string& s, const char* k) { return settledIni.ReadString(s, k, ""); },
        check);
    Report("IniFile, settled file", ours, reads, check);
    // 3. One snapshot for the whole burst (checked against the file once).
    const auto snapshotStart = Clock::now();
    const pallisar::IniSnapshot snapshot = settledIni.Snapshot();
    const double snapshotTaking = Seconds(Clock::now() - snapshotStart);
    const double snapshotReads = TimeReads(
        games, [&](const std::string& s, const char* k) { return snapshot.ReadString(s, k, ""); },
        check);
    const double snapshotTotal = snapshotTaking + snapshotReads;
    Report("IniSnapshot (taken + reads)", snapshotTotal, reads, check);

#ifdef _WIN32
    const double platform = TimeReads(
        games,
        [&](const std::string& s, const char* k) {
            char buffer[2048];
            const DWORD n =
                GetPrivateProfileStringA(s.c_str(), k, "", buffer, sizeof buffer, path.c_str());
            return std::string(buffer, n);
        },
        check);
    Report("GetPrivateProfileStringA", platform, reads, check);
    std::printf("ratio GetPrivateProfileStringA / IniFile, settled file: %8.1f\n", platform / ours);
    std::printf("ratio GetPrivateProfileStringA / IniFile, fresh file:   %8.1f\n",
                platform / fresh);
    std::printf("ratio GetPrivateProfileStringA / IniSnapshot:           %8.1f\n",
                platform / snapshotTotal);
#else
    std::printf("(GetPrivateProfileStringA: Windows or Wine only)\n");
#endif
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
