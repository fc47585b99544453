#pragma once
// Many writes to one profile file in a single write of the file: a command that writes
// dozens of keys (the game editor's OK) replaces Game.dat once instead of once per key.
//
//   IniBatch batch(gameDat);
//   batch.WriteString(title, "Run", path);
//   batch.EraseSection(oldTitle);
//   batch.Commit();
//
// Reads through the batch see its pending writes. Commit writes the file once, with
// exactly the bytes that the same writes made one by one through IniFile would have
// left; a batch whose writes change nothing does not touch the file. When the file has
// changed on disk since the batch read it, Commit makes the writes again on the file as
// it is then, as the single writes would have been made. A batch destroyed without
// Commit writes nothing.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ini_file.h"
#include "core/profile_store.h"

namespace pallisar {

class IniBatch : public ProfileStore {
  public:
    // Reads the file at its first use (a batch that is never used costs nothing: the
    // game list's load keeps one for repairs that are seldom needed).
    explicit IniBatch(const IniFile& file);
    ~IniBatch() override;
    IniBatch(const IniBatch&) = delete;
    IniBatch& operator=(const IniBatch&) = delete;

    const std::string& FileName() const { return path_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const override;
    std::vector<std::string> ReadSections() const override;
    std::vector<std::string> ReadSection(std::string_view section) const override;
    // Writes are kept until Commit; they never fail themselves.
    void WriteString(std::string_view section, std::string_view key,
                     std::string_view value) override;
    void DeleteKey(std::string_view section, std::string_view key) override;
    void EraseSection(std::string_view section) override;

    // True when a pending write changes the file.
    bool Pending() const { return changed_; }
    // Writes the file once (core/file_replace.h). Throws FileWriteError ("Unable to
    // write to " + path) when refused: the file is then as it was and the writes stay
    // pending. Afterwards the batch goes on from the file as written.
    void Commit();

    struct Op;
    class Model;

  private:
    Model& Current() const;

    std::string path_;
    mutable std::unique_ptr<Model> model_;
    std::vector<Op> ops_;
    bool changed_ = false;
};

}  // namespace pallisar
