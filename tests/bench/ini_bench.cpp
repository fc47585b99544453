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
//
// Then the writes of the game editor's OK on the same catalogue, each run on a fresh
// copy of the file: (a) "New + OK": the copy of the 24 keys from the throw-away title
// (IconName, Run, Params and 21 tweaks, as the editor copies them), the 4 identity
// keys, the 24 tweak values, the erase of the throw-away title; (b) "Edit + rename +
// OK": the same from an existing entry to a new title, ending with the erase of the
// old section. Each is timed through one IniBatch (one write of the file), key by key
// through IniFile (a write per key), and on Windows key by key through
// GetPrivateProfileStringA / WritePrivateProfileStringA; the files left are compared.

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "core/ini_batch.h"
#include "core/ini_file.h"
#include "core/random_title.h"
#include "tweaks/tweak_catalogue.h"
#include "tweaks/tweak_settings.h"

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

// ------------------------------------------------------------------------ writes

// The keys the editor copies to a new title, in its order, with what a missing key
// reads as.
std::vector<std::pair<std::string, std::string>> CopiedKeys() {
    using pallisar::TweakField;
    std::vector<std::pair<std::string, std::string>> keys = {
        {"IconName", ""}, {"Run", ""}, {"Params", ""}};
    for (TweakField field : {TweakField::Splash,
                             TweakField::TextureCompression,
                             TweakField::AlphaBlending,
                             TweakField::ColorDepth,
                             TweakField::MIPMap,
                             TweakField::D3DMIPMap,
                             TweakField::MaxBufferedFrames,
                             TweakField::D3DMaxBufferedFrames,
                             TweakField::TDFilterQuality,
                             TweakField::AA,
                             TweakField::TripleBuffering,
                             TweakField::glAAToggle,
                             TweakField::D3DAAToggle,
                             TweakField::LODBias,
                             TweakField::ZBuffer,
                             TweakField::RGamma,
                             TweakField::GGamma,
                             TweakField::gl16BitZPrecision,
                             TweakField::gl32BitZPrecision,
                             TweakField::glHSR,
                             TweakField::glGuardbandClipping}) {
        const pallisar::TweakRow& row = pallisar::TweakOf(field);
        keys.emplace_back(std::string(row.Key), std::string(row.Default));
    }
    return keys;
}

// The 24 tweak values as WriteGameSettings writes them, in its order; every other one
// changed from its default, as after a few choices in the editor.
std::vector<std::pair<std::string, std::string>> TweakValues() {
    using F = pallisar::TweakField;
    std::vector<std::pair<std::string, std::string>> values;
    int i = 0;
    for (F field : {F::Splash,
                    F::TextureCompression,
                    F::ColorDepth,
                    F::MIPMap,
                    F::MaxBufferedFrames,
                    F::TripleBuffering,
                    F::gl16BitZPrecision,
                    F::gl32BitZPrecision,
                    F::glHSR,
                    F::glGuardbandClipping,
                    F::ZBuffer,
                    F::D3DMIPMap,
                    F::D3DMaxBufferedFrames,
                    F::AlphaBlending,
                    F::TDFilterQuality,
                    F::AA,
                    F::glAAToggle,
                    F::D3DAAToggle,
                    F::LODBias,
                    F::VSynch,
                    F::D3DVSynch,
                    F::RGamma,
                    F::GGamma,
                    F::BGamma}) {
        const pallisar::TweakRow& row = pallisar::TweakOf(field);
        const bool gamma = row.Kind == pallisar::TweakKind::Gamma;
        values.emplace_back(std::string(row.Key), i++ % 2 == 0 ? std::string(row.Default)
                                                  : gamma      ? "1.45"
                                                               : "Enable");
    }
    return values;
}

// Reads and writes as the editor's OK makes them, through one of the three ways.
struct Store {
    virtual ~Store() = default;
    virtual std::string Read(const std::string& s, const std::string& k, const std::string& d) = 0;
    virtual void Write(const std::string& s, const std::string& k, const std::string& v) = 0;
    virtual void Erase(const std::string& s) = 0;
    virtual void Done() {}
};

struct ProfileStoreWay : Store {
    pallisar::ProfileStore& store;
    explicit ProfileStoreWay(pallisar::ProfileStore& s) : store(s) {}
    std::string Read(const std::string& s, const std::string& k, const std::string& d) override {
        return store.ReadString(s, k, d);
    }
    void Write(const std::string& s, const std::string& k, const std::string& v) override {
        store.WriteString(s, k, v);
    }
    void Erase(const std::string& s) override { store.EraseSection(s); }
};

struct BatchWay : ProfileStoreWay {
    pallisar::IniBatch& batch;
    explicit BatchWay(pallisar::IniBatch& b) : ProfileStoreWay(b), batch(b) {}
    void Done() override { batch.Commit(); }
};

#ifdef _WIN32
struct ApiWay : Store {
    std::string path;
    explicit ApiWay(std::string p) : path(std::move(p)) {}
    std::string Read(const std::string& s, const std::string& k, const std::string& d) override {
        char buffer[2048];
        const DWORD n = GetPrivateProfileStringA(s.c_str(), k.c_str(), d.c_str(), buffer,
                                                 sizeof buffer, path.c_str());
        return std::string(buffer, n);
    }
    void Write(const std::string& s, const std::string& k, const std::string& v) override {
        WritePrivateProfileStringA(s.c_str(), k.c_str(), v.c_str(), path.c_str());
    }
    void Erase(const std::string& s) override {
        WritePrivateProfileStringA(s.c_str(), nullptr, nullptr, path.c_str());
    }
};
#endif

// The editor's OK: copy from `from` to `to`, the identity keys, the tweak values, then
// the erase of `from`.
void EditorOk(Store& store, const std::string& from, const std::string& to) {
    static const auto copied = CopiedKeys();
    static const auto tweaks = TweakValues();
    for (const auto& [key, fallback] : copied)
        store.Write(to, key, store.Read(from, key, fallback));
    store.Write(to, "IconName", "C:\\Games\\New\\new.exe,0");
    store.Write(to, "Params", "-window");
    store.Write(to, "Run", "C:\\Games\\New\\new.exe");
    store.Write(to, "GameOnly", "0");
    for (const auto& [key, value] : tweaks) store.Write(to, key, value);
    store.Erase(from);
    store.Done();
}

enum class Way { Batch, IniFile, Api };

// Runs the OK `runs` times on fresh copies of the catalogue; returns the median time
// and leaves the file of the last run in `result`.
double TimeOk(Way way, const std::filesystem::path& dir, const std::string& text,
              const std::string& from, const std::string& to, int runs, std::string& result) {
    std::vector<double> times;
    static int serial = 0;
    for (int run = 0; run < runs; ++run) {
        // A new name each time: Windows' profile API caches files by name.
        const std::string path = (dir / ("copy" + std::to_string(serial++) + ".dat")).string();
        WriteFile(path, text);
        const auto start = Clock::now();
        if (way == Way::Batch) {
            pallisar::IniBatch batch{pallisar::IniFile(path)};
            BatchWay store(batch);
            EditorOk(store, from, to);
        } else if (way == Way::IniFile) {
            pallisar::IniFile ini(path);
            ProfileStoreWay store(ini);
            EditorOk(store, from, to);
        } else {
#ifdef _WIN32
            ApiWay store(path);
            EditorOk(store, from, to);
#endif
        }
        times.push_back(Seconds(Clock::now() - start));
        std::FILE* file = std::fopen(path.c_str(), "rb");
        result.clear();
        if (file) {
            char buffer[65536];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) result.append(buffer, n);
            std::fclose(file);
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void WriteBench(const std::filesystem::path& dir, const std::string& text, int games) {
    constexpr int kRuns = 5;
    struct Scenario {
        const char* name;
        std::string from;
        std::string to;
    };
    const Scenario scenarios[] = {
        {"New + OK", pallisar::RandomTitle(), "A brand new game"},
        {"Edit + rename + OK", Title(games / 2), "A renamed game"},
    };
    std::printf("\neditor OK on the %d-game catalogue (median of %d runs, fresh copy each)\n",
                games, kRuns);
    for (const Scenario& s : scenarios) {
        std::string batchFile, iniFile, apiFile;
        const double batch = TimeOk(Way::Batch, dir, text, s.from, s.to, kRuns, batchFile);
        const double perKey = TimeOk(Way::IniFile, dir, text, s.from, s.to, kRuns, iniFile);
        std::printf("%-20s IniBatch (one write)             %9.3f ms\n", s.name, batch * 1e3);
        std::printf("%-20s IniFile, a write per key         %9.3f ms\n", s.name, perKey * 1e3);
        std::printf("%-20s files alike, IniBatch and IniFile: %s\n", s.name,
                    batchFile == iniFile ? "yes" : "NO");
#ifdef _WIN32
        const double api = TimeOk(Way::Api, dir, text, s.from, s.to, kRuns, apiFile);
        std::printf("%-20s WritePrivateProfileStringA       %9.3f ms\n", s.name, api * 1e3);
        std::printf("%-20s files alike, IniBatch and API:   %s\n", s.name,
                    batchFile == apiFile ? "yes" : "NO");
        std::printf("%-20s ratio API / IniBatch: %8.1f   API / IniFile per key: %8.1f\n", s.name,
                    api / batch, api / perKey);
#endif
    }
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
    WriteBench(dir, text, games);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    return 0;
}
