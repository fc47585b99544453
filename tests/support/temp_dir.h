#pragma once
// A fresh empty directory for one test, removed with everything in it at the end.

#include <string>

namespace pallisar::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory with a trailing path delimiter.
    const std::string& Path() const { return path_; }
    // Path() + name.
    std::string File(const std::string& name) const { return path_ + name; }

  private:
    std::string path_;
};

// Whole-file helpers working on bytes (no line-end translation).
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExistsAt(const std::string& path);

}  // namespace pallisar::test
