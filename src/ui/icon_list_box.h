#pragma once
// TIconListBox: a list that shows every icon of one file (program, library or .ico),
// one item per icon, in columns. The model holds the items, their icons, the
// selection and the enabled state; its view draws the items and reports the user's
// choice.
//
// Item i is titled with i in decimal and owns icon i of the file once it is loaded.
// With caching on (the default) an icon is read from the file only when its item is
// first drawn (ItemIcon), so a library with hundreds of icons opens at once.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/icon_resources.h"

namespace pallisar {

// Where the list's facts about files come from. The default reads files on disk
// through the program's icon reader; a test counts what is read.
class IconListSource {
  public:
    virtual ~IconListSource() = default;
    virtual bool FileExists(const std::string& fileName) = 0;
    // Number of icons in the file; 0 when it holds none or cannot be read.
    virtual int CountIcons(const std::string& fileName) = 0;
    // Icon `index` of the file; none when it cannot be read.
    virtual std::optional<Icon> ExtractIcon(const std::string& fileName, int index) = 0;
};

// The files on disk, read with the icon reader of core/icon_resources.h.
class FileIconListSource : public IconListSource {
  public:
    bool FileExists(const std::string& fileName) override;
    int CountIcons(const std::string& fileName) override;
    std::optional<Icon> ExtractIcon(const std::string& fileName, int index) override;

    // A shared instance; the source keeps no state.
    static FileIconListSource& Instance();
};

// What the list asks of its view. Every call may come from any handler that
// changes the list, not only from the view's own.
class IconListBoxHost {
  public:
    virtual ~IconListBoxHost() = default;
    // The items, the selection, the enabled state or the margin changed.
    virtual void IconListChanged() = 0;
    // Every icon of a file is about to be read at once (caching off) / is read: the
    // view shows the hourglass meanwhile.
    virtual void BeginWait() = 0;
    virtual void EndWait() = 0;
};

class TIconListBox {
  public:
    static constexpr const char* kVersion = "TIconListBox v1.14";
    static constexpr int kDefaultMargin = 5;

    // `source` outlives the list.
    explicit TIconListBox(IconListSource& source = FileIconListSource::Instance());
    TIconListBox(const TIconListBox&) = delete;
    TIconListBox& operator=(const TIconListBox&) = delete;

    // The view, or none. Not owned.
    void SetHost(IconListBoxHost* host) { host_ = host; }

    const std::string& FileName() const { return fileName_; }
    // A new name rebuilds the list and then fires OnFileChange; the same name again
    // (exactly) does nothing.
    void SetFileName(const std::string& name);

    // When true the list is enabled only while FileName names an existing file.
    bool AutoDisable() const { return autoDisable_; }
    void SetAutoDisable(bool value);
    bool Enabled() const { return enabled_; }

    // True: an icon is read when its item is first drawn and then kept. Setting it
    // to false reads every icon at once (a rebuild, with OnFileChange); setting it to
    // true takes effect at the next rebuild.
    bool EnableCaching() const { return enableCaching_; }
    void SetEnableCaching(bool value);

    // Pixels added to the system's large-icon size for the item height and the
    // column width.
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int ItemHeight(int largeIconHeight) const { return largeIconHeight + margin_; }
    int ColumnWidth(int largeIconWidth) const { return largeIconWidth + margin_; }

    // Icons listed; -1 while no existing file is set.
    int NumberOfIcons() const { return numberOfIcons_; }

    const std::string& Version() const { return version_; }
    // The version is fixed: writing it has no effect.
    void SetVersion(const std::string&) {}

    // Fired after FileName has changed and the list has been rebuilt.
    std::function<void()> OnFileChange;

    int Count() const { return static_cast<int>(items_.size()); }
    // "0", "1", ...; empty for an index outside the list.
    std::string ItemText(int index) const;
    // The icon of item `index` as drawn: with caching on, an item that has none yet
    // gets icon `index` of the file read first (once; an icon that cannot be read
    // leaves the item blank for good). Null for a blank item or an index outside
    // the list. Owned by the item; valid until the next rebuild.
    const Icon* ItemIcon(int index);
    // Whether item `index` holds a loaded icon, without loading it.
    bool IconLoaded(int index) const;

    // The selected item, which is the chosen icon index; -1 for none. An index
    // outside the list selects none.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);

    // Counts rebuilds, so that a view can tell its items are out of date.
    int Generation() const { return generation_; }

  private:
    struct Item {
        bool loaded = false;  // read from the file (whether or not that gave an icon)
        std::optional<Icon> icon;
    };

    void Rebuild();
    void UpdateEnabled();
    void Changed();

    IconListSource* source_;
    IconListBoxHost* host_ = nullptr;
    std::string fileName_;
    bool autoDisable_ = true;
    bool enabled_ = false;  // no file yet
    bool enableCaching_ = true;
    int margin_ = kDefaultMargin;
    int numberOfIcons_ = -1;
    std::string version_ = kVersion;
    std::vector<Item> items_;
    int itemIndex_ = -1;
    int generation_ = 0;
};

}  // namespace pallisar
