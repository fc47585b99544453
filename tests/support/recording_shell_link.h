#pragma once
// A shell link factory for tests: each link object records its calls, in order, as
// "<call> <values>" lines (and "release" when it goes), answers Save with `saveResult`
// and Load from `links`. With `createError` set, Create throws Error with that text
// instead.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/errors.h"
#include "platform/shell_link.h"

namespace pallisar::test {

class RecordingShellLinkFactory : public ShellLinkFactory {
  public:
    std::unique_ptr<ShellLink> Create() override {
        if (createError) throw Error(*createError);
        return std::make_unique<Link>(*this);
    }

    std::vector<std::string> calls;
    ShellLinkResult saveResult = kShellLinkSaved;
    // The links Load finds, by file: the program and the arguments; any other file
    // cannot be read.
    std::map<std::string, std::pair<std::string, std::string>> links;
    std::optional<std::string> createError;

  private:
    class Link : public ShellLink {
      public:
        explicit Link(RecordingShellLinkFactory& owner) : calls_(owner.calls), owner_(owner) {}
        ~Link() override { calls_.push_back("release"); }
        void SetPath(const std::string& v) override { calls_.push_back("path " + v); }
        void SetWorkingDirectory(const std::string& v) override { calls_.push_back("dir " + v); }
        void SetArguments(const std::string& v) override { calls_.push_back("args " + v); }
        void SetDescription(const std::string& v) override { calls_.push_back("desc " + v); }
        void SetShowCmd(int v) override { calls_.push_back("show " + std::to_string(v)); }
        void SetIconLocation(const std::string& file, int number) override {
            calls_.push_back("icon " + file + "," + std::to_string(number));
        }
        ShellLinkResult Save(const std::string& path) override {
            calls_.push_back("save " + path);
            return owner_.saveResult;
        }
        ShellLinkResult Load(const std::string& path) override {
            calls_.push_back("load " + path);
            const auto found = owner_.links.find(path);
            if (found == owner_.links.end()) return 0x80004005;  // E_FAIL
            loaded_ = found->second;
            return kShellLinkSaved;
        }
        std::string GetPath() override { return loaded_.first; }
        std::string GetArguments() override { return loaded_.second; }

      private:
        std::vector<std::string>& calls_;
        RecordingShellLinkFactory& owner_;
        std::pair<std::string, std::string> loaded_;
    };
};

}  // namespace pallisar::test
