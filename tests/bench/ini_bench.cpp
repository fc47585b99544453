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
// Then the game editor's OK on the same catalogue, each run on a fresh copy of the
// file: (a) "New + OK" from a throw-away title, (b) "Edit + rename + OK" from an
// existing entry to a new title. It runs through the editor's model as the main window
// runs it (one batch of Game.dat, one write of the file); the reads and writes the model
// made are then replayed key by key through IniFile and, on Windows, through
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
#include "support/fake_prompts.h"
#include "tweaks/tweak_catalogue.h"
#include "tweaks/tweak_settings.h"
#include "ui/game_editor.h"

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

// One read or write of the editor's OK, as the model made it.
struct Op {
    enum Kind { Read, Write, Erase } kind;
    std::string section, key, value;  // value: the fallback of a read
};

// Passes everything to a batch and records what the model reads and writes.
class RecordingStore : public pallisar::ProfileStore {
  public:
    explicit RecordingStore(pallisar::IniBatch& batch) : batch_(batch) {}
    // Reads are recorded too: the API makes them one by one as well.
    mutable std::vector<Op> ops;

    std::string ReadString(std::string_view s, std::string_view k,
                           std::string_view fallback) const override {
        ops.push_back({Op::Read, std::string(s), std::string(k), std::string(fallback)});
        return batch_.ReadString(s, k, fallback);
    }
    std::vector<std::string> ReadSections() const override { return batch_.ReadSections(); }
    std::vector<std::string> ReadSection(std::string_view s) const override {
        return batch_.ReadSection(s);
    }
    void WriteString(std::string_view s, std::string_view k, std::string_view v) override {
        ops.push_back({Op::Write, std::string(s), std::string(k), std::string(v)});
        batch_.WriteString(s, k, v);
    }
    void DeleteKey(std::string_view s, std::string_view k) override { batch_.DeleteKey(s, k); }
    void EraseSection(std::string_view s) override {
        ops.push_back({Op::Erase, std::string(s), {}, {}});
        batch_.EraseSection(s);
    }

  private:
    pallisar::IniBatch& batch_;
};

std::string ReadAll(const std::string& path) {
    std::string text;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

// The game editor's OK through its model, as the main window runs it for New (`from`
// a throw-away title) or Edit with a rename (`from` an existing entry): one batch of
// Game.dat, the editor opened on it, OK, the tweak values and the erase, one write.
// Opening the editor is not timed; the batch's read of the file is.
double ModelOk(const std::string& path, const std::string& from, const std::string& to,
               std::vector<Op>& ops) {
    pallisar::test::FakePrompts prompts;
    const pallisar::IniFile file(path);
    const auto start = Clock::now();
    pallisar::IniBatch batch(file);
    RecordingStore store(batch);
    const auto opened = Clock::now();
    pallisar::TfmGlide editor(pallisar::GameEditorServices{
        std::filesystem::path(path).parent_path().string() + "/", prompts, store});
    editor.OldTitle = from;
    editor.LoadSettings(pallisar::ReadGameSettings(file, from));
    editor.edTitle.Text = to;
    editor.edPath.Text = "C:\\Games\\New\\new.exe";
    editor.edCommandLine.Text = "-window";
    editor.Box(pallisar::EditorBox{pallisar::TweakField::Splash, pallisar::TweakTab::Glide})
        .ItemIndex = 1;
    editor.slRGamma.SetValue(145);
    const auto ok = Clock::now();
    if (!editor.btnOKClick()) std::printf("the editor refused OK\n");
    pallisar::SaveEditorValues(editor, store);
    batch.Commit();
    const auto end = Clock::now();
    ops = std::move(store.ops);
    return Seconds((opened - start) + (end - ok));
}

// The same reads and writes one by one through the profile-file engine.
double PerKeyOk(const std::string& path, const std::vector<Op>& ops) {
    const auto start = Clock::now();
    pallisar::IniFile ini(path);
    for (const Op& op : ops) {
        if (op.kind == Op::Read) ini.ReadString(op.section, op.key, op.value);
        if (op.kind == Op::Write) ini.WriteString(op.section, op.key, op.value);
        if (op.kind == Op::Erase) ini.EraseSection(op.section);
    }
    return Seconds(Clock::now() - start);
}

#ifdef _WIN32
// The same reads and writes through Windows' profile API.
double ApiOk(const std::string& path, const std::vector<Op>& ops) {
    const auto start = Clock::now();
    char buffer[2048];
    for (const Op& op : ops) {
        if (op.kind == Op::Read) {
            GetPrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(), buffer,
                                     sizeof buffer, path.c_str());
        }
        if (op.kind == Op::Write) {
            WritePrivateProfileStringA(op.section.c_str(), op.key.c_str(), op.value.c_str(),
                                       path.c_str());
        }
        if (op.kind == Op::Erase) {
            WritePrivateProfileStringA(op.section.c_str(), nullptr, nullptr, path.c_str());
        }
    }
    return Seconds(Clock::now() - start);
}
#endif

double Median(std::vector<double> times) {
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
    static int serial = 0;
    // A new name for each copy: Windows' profile API caches files by name.
    auto copy = [&] {
        const std::string path = (dir / ("copy" + std::to_string(serial++) + ".dat")).string();
        WriteFile(path, text);
        return path;
    };
    for (const Scenario& s : scenarios) {
        std::vector<double> model, perKey, api;
        std::string modelFile, perKeyFile, apiFile;
        std::vector<Op> ops;
        for (int run = 0; run < kRuns; ++run) {
            const std::string modelPath = copy();
            model.push_back(ModelOk(modelPath, s.from, s.to, ops));
            modelFile = ReadAll(modelPath);
            const std::string perKeyPath = copy();
            perKey.push_back(PerKeyOk(perKeyPath, ops));
            perKeyFile = ReadAll(perKeyPath);
#ifdef _WIN32
            const std::string apiPath = copy();
            api.push_back(ApiOk(apiPath, ops));
            apiFile = ReadAll(apiPath);
#endif
        }
        std::printf("%-20s %zu reads and writes\n", s.name, ops.size());
        std::printf("%-20s model, one write of the file      %9.3f ms\n", s.name,
                    Median(model) * 1e3);
        std::printf("%-20s IniFile, a write per key          %9.3f ms\n", s.name,
                    Median(perKey) * 1e3);
        std::printf("%-20s files alike, model and per key:   %s\n", s.name,
                    modelFile == perKeyFile ? "yes" : "NO");
#ifdef _WIN32
        std::printf("%-20s WritePrivateProfileStringA        %9.3f ms\n", s.name,
                    Median(api) * 1e3);
        std::printf("%-20s files alike, model and API:       %s\n", s.name,
                    modelFile == apiFile ? "yes" : "NO");
        std::printf("%-20s ratio API / model: %8.1f   API / IniFile per key: %8.1f\n", s.name,
                    Median(api) / Median(model), Median(api) / Median(perKey));
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
