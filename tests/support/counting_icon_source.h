#pragma once
// The icon list's files on disk, with a record of every icon read from them.

#include <string>
#include <vector>

#include "ui/icon_list_box.h"

namespace pallisar::test {

class CountingIconSource : public FileIconListSource {
  public:
    std::optional<Icon> ExtractIcon(const std::string& fileName, int index) override {
        extracted.push_back(index);
        return FileIconListSource::ExtractIcon(fileName, index);
    }
    std::vector<int> extracted;  // icon numbers, in the order read
};

}  // namespace pallisar::test
