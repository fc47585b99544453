#pragma once
// The shell's link object, through which a shortcut file (.lnk) is written and read.
// Implemented over COM (win32/win32_shell_link.h); tests use a fake that records the
// calls. Strings are the program's single-byte text.

#include <cstdint>
#include <memory>
#include <string>

namespace pallisar {

// The result of a save or a load as the shell gives it (an HRESULT): 0 means the file
// was written or read; anything else, S_FALSE (1) included, means it was not.
using ShellLinkResult = int32_t;
inline constexpr ShellLinkResult kShellLinkSaved = 0;

// One link object, released when it goes. The setters' results are of no use to the
// program and are not returned.
class ShellLink {
  public:
    virtual ~ShellLink() = default;
    virtual void SetPath(const std::string& path) = 0;
    virtual void SetWorkingDirectory(const std::string& dir) = 0;
    virtual void SetArguments(const std::string& arguments) = 0;
    virtual void SetDescription(const std::string& description) = 0;
    // A Windows show command (SW_...).
    virtual void SetShowCmd(int showCmd) = 0;
    virtual void SetIconLocation(const std::string& file, int number) = 0;
    // Writes the link to `path` and makes it the object's file.
    virtual ShellLinkResult Save(const std::string& path) = 0;
    // Reads the link in the file `path` (0 when it could be read).
    virtual ShellLinkResult Load(const std::string& path) = 0;
    // The program the link starts and the arguments it gives it, as the link holds them
    // ("" for none: a link to something that is no file, for one).
    virtual std::string GetPath() = 0;
    virtual std::string GetArguments() = 0;
};

class ShellLinkFactory {
  public:
    virtual ~ShellLinkFactory() = default;
    // A new, empty link object. Throws Error (core/errors.h) with the system's text of
    // the failure when the object cannot be created or cannot be written to a file.
    virtual std::unique_ptr<ShellLink> Create() = 0;
};

}  // namespace pallisar
