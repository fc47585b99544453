#include "app/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pallisar {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, BlanksAndTabsSeparateArgumentsOutsideQuotes) {
    EXPECT_EQ(SplitCommandLine("pallisar.exe /min"), (Args{"pallisar.exe", "/min"}));
    EXPECT_EQ(SplitCommandLine("pallisar.exe  \t/run   x  "), (Args{"pallisar.exe", "/run", "x"}));
    EXPECT_EQ(SplitCommandLine("pallisar.exe"), (Args{"pallisar.exe"}));
    EXPECT_EQ(CommandLineArguments("pallisar.exe"), Args{});
    EXPECT_EQ(CommandLineArguments(""), Args{});
}

TEST(CommandLineTest, QuotedPathArrivesWithoutItsQuotes) {
    // What a shortcut made by the launcher passes.
    EXPECT_EQ(CommandLineArguments(R"("C:\Pallisar\pallisar.exe" /run "C:\Games\My Game\go.exe")"),
              (Args{"/run", R"(C:\Games\My Game\go.exe)"}));
    // Quotes may start or stop anywhere inside one argument.
    EXPECT_EQ(CommandLineArguments(R"(p "C:\Program Files"\x.exe a"b c"d)"),
              (Args{R"(C:\Program Files\x.exe)", "ab cd"}));
    // An empty pair of quotes is an empty argument; an unclosed quote runs to the end.
    EXPECT_EQ(CommandLineArguments(R"(p "" "open ended)"), (Args{"", "open ended"}));
    // Two quotes inside a quoted part give one literal quote.
    EXPECT_EQ(CommandLineArguments(R"(p "say ""hi"" now")"), (Args{R"(say "hi" now)"}));
}

TEST(CommandLineTest, BackslashesAreSpecialOnlyBeforeAQuote) {
    EXPECT_EQ(CommandLineArguments(R"(p C:\Games\x.exe \\server\share)"),
              (Args{R"(C:\Games\x.exe)", R"(\\server\share)"}));
    // Odd count: half of them and a literal quote.
    EXPECT_EQ(CommandLineArguments(R"(p a\"b \\\"c)"), (Args{R"(a"b)", R"(\"c)"}));
    // Even count: half of them, and the quote opens or closes a quoted part.
    EXPECT_EQ(CommandLineArguments(R"(p "C:\Games\\" next)"), (Args{R"(C:\Games\)", "next"}));
    EXPECT_EQ(CommandLineArguments(R"(p a\\\\"b c")"), (Args{R"(a\\b c)"}));
    // A trailing backslash inside quotes followed by the closing quote is escaped.
    EXPECT_EQ(CommandLineArguments(R"(p "C:\Games\" next)"), (Args{R"(C:\Games" next)"}));
}

TEST(CommandLineTest, ProgramNameIgnoresBackslashEscapes) {
    EXPECT_EQ(SplitCommandLine(R"("C:\My Dir\\" /min)"), (Args{R"(C:\My Dir\\)", "/min"}));
    EXPECT_EQ(SplitCommandLine(R"(C:\Dir\p.exe /min)"), (Args{R"(C:\Dir\p.exe)", "/min"}));
    // A quoted program name ends at its closing quote even without a blank after it.
    EXPECT_EQ(SplitCommandLine(R"("p.exe"/min)"), (Args{"p.exe", "/min"}));
}

}  // namespace
}  // namespace pallisar
