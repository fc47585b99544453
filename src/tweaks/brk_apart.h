#pragma once
// Splits a text at every occurrence of a separator.

#include <string>
#include <vector>

namespace pallisar {

class TBrkApart {
  public:
    std::string BreakString;
    std::string BaseString;
    // When false, empty pieces are dropped.
    bool AllowEmptyString = false;
    // The pieces of the last Split().
    std::vector<std::string> StringList;

    void Split();
};

}  // namespace pallisar
