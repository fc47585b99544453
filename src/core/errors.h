#pragma once
// Errors raised inside the program's own operations. Each carries the exact text
// that the application's error handler shows to the user.

#include <stdexcept>
#include <string>

namespace pallisar {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A text that is not a number: "'%s' is not a valid integer value" and the like.
class ConvertError : public Error {
  public:
    using Error::Error;
};

// A profile file that cannot be written: "Unable to write to " + path.
class FileWriteError : public Error {
  public:
    explicit FileWriteError(const std::string& path) : Error("Unable to write to " + path) {}
};

// A registry write that the registry refused: "Failed to set data for '%s'". Code() is
// the registry's error number (Windows numbering), 0 when it is not known.
class RegistryError : public Error {
  public:
    explicit RegistryError(const std::string& message, long code = 0)
        : Error(message), code_(code) {}
    long Code() const { return code_; }

  private:
    long code_;
};

}  // namespace pallisar
