#include "app/command_line.h"

#include <cstddef>

namespace pallisar {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads the program name from the start of the line; returns the position after it.
size_t ReadProgramName(std::string_view line, std::string& name) {
    size_t pos = 0;
    if (pos < line.size() && line[pos] == '"') {
        ++pos;
        while (pos < line.size() && line[pos] != '"') name += line[pos++];
        if (pos < line.size()) ++pos;  // the closing quote
    } else {
        while (pos < line.size() && !IsBlank(line[pos])) name += line[pos++];
    }
    return pos;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::string name;
    size_t pos = ReadProgramName(line, name);
    args.push_back(std::move(name));

    for (;;) {
        while (pos < line.size() && IsBlank(line[pos])) ++pos;
        if (pos >= line.size()) break;

        std::string arg;
        bool quoted = false;
        while (pos < line.size() && (quoted || !IsBlank(line[pos]))) {
            const char c = line[pos];
            if (c == '\\') {
                size_t count = 0;
                while (pos < line.size() && line[pos] == '\\') {
                    ++count;
                    ++pos;
                }
                if (pos < line.size() && line[pos] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg += '"';
                        ++pos;
                    }
                    // An even count leaves the quote to the code below.
                } else {
                    arg.append(count, '\\');
                }
            } else if (c == '"') {
                if (quoted && pos + 1 < line.size() && line[pos + 1] == '"') {
                    arg += '"';
                    pos += 2;
                } else {
                    quoted = !quoted;
                    ++pos;
                }
            } else {
                arg += c;
                ++pos;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::vector<std::string> CommandLineArguments(std::string_view commandLine) {
    std::vector<std::string> args = SplitCommandLine(commandLine);
    args.erase(args.begin());
    return args;
}

}  // namespace pallisar
