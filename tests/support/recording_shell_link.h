#pragma once
// A shell link factory for tests: each link object records its calls, in order, as
// "<call> <values>" lines (and "release" when it goes), and answers Save with
// `saveResult`. With `createError` set, Create throws Error with that text instead.

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

      private:
        std::vector<std::string>& calls_;
        RecordingShellLinkFactory& owner_;
    };
};

}  // namespace pallisar::test
