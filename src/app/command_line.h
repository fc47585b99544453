#pragma once
// Splitting of a Windows command line into arguments, by the rules of the Microsoft
// C runtime (the ones programs started from shortcuts and the Run key rely on):
//   - arguments are separated by blanks and tabs outside double quotes;
//   - a double quote starts or ends a quoted part and is dropped; inside a quoted
//     part two double quotes in a row give one literal double quote;
//   - 2n backslashes before a double quote give n backslashes and the quote acts as
//     above; 2n+1 backslashes before a double quote give n backslashes and a literal
//     double quote; backslashes anywhere else are kept as they are.
// The program name (the first word) follows its own rule: it runs up to the next
// double quote when it starts with one, otherwise up to the first blank or tab;
// backslashes in it are never special.

#include <string>
#include <string_view>
#include <vector>

namespace pallisar {

// The arguments after the program name.
std::vector<std::string> CommandLineArguments(std::string_view commandLine);
// The program name followed by the arguments.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

}  // namespace pallisar
