// libFuzzer target for the INI engine: arbitrary bytes as a profile file, read every
// way the program reads one, then written to and read back.
//
// Besides the sanitizers it checks what must hold for any file: values are cut to
// 2047 characters, and a value just written reads back as written.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/file_replace.h"
#include "core/ini_file.h"

namespace {

const std::string& FilePath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("pallisar-ini-fuzz-" + std::to_string(getpid()) + ".ini"))
                                        .string();
    return path;
}

void WriteBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}

std::string ReadBytes(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, n);
        std::fclose(file);
    }
    return bytes;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = FilePath();
    // One throw-away file written again and again: no need to wait for the disk.
    pallisar::FlushFileReplacements(false);
    WriteBytes(path, data, size);
    pallisar::IniFile ini(path);

    // Names to ask for: the listed ones, and a few cut from the input itself.
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string probe(input.substr(0, std::min<size_t>(size, 12)));

    auto sections = ini.ReadSections();
    if (sections.size() > 64) sections.resize(64);
    sections.push_back(probe);
    sections.push_back("");
    for (const std::string& section : sections) {
        auto keys = ini.ReadSection(section);
        if (keys.size() > 64) keys.resize(64);
        keys.push_back(probe);
        (void)ini.SectionExists(section);
        for (const std::string& key : keys) {
            const std::string value = ini.ReadString(section, key, "default");
            Check(value.size() <= 2047, "values are at most 2047 characters");
            (void)ini.ReadInteger(section, key, -1);
            (void)ini.ReadBool(section, key, true);
            (void)ini.ValueExists(section, key);
        }
    }

    // A write into the first listed section (or a new one), read back.
    const std::string section = sections.size() > 2 ? sections.front() : "Fuzz Section";
    // A name holding a CR (possible in a file whose lines end in LF) cannot be written
    // back among lines that end in a lone CR; such a name reads back as something else.
    const bool plain = section.find_first_of("\r\n") == std::string::npos;
    try {
        // A value already there as it reads (blanks or quotes around it) is not written
        // again: the file is left as it is.
        const bool there = ini.ReadString(section, "FuzzKey", "") == "fuzz value";
        ini.WriteString(section, "FuzzKey", "fuzz value");
        Check(!plain || ini.ReadString(section, "FuzzKey", "") == "fuzz value",
              "a written value reads back");
        // (The key keeps the spelling it had in the file, if it was there.)
        Check(there || ReadBytes(path).find("=fuzz value") != std::string::npos,
              "the written line is in the file");
        ini.WriteInteger(section, "FuzzNumber", 0x1F);
        Check(!plain || ini.ReadInteger(section, "FuzzNumber", 0) == 31, "an integer reads back");
        ini.DeleteKey(section, "FuzzNumber");
        ini.EraseSection(probe);
        (void)ini.ReadSections();
    } catch (const std::exception&) {
        // A refused write: possible only where the temporary directory is read-only.
    }
    return 0;
}
