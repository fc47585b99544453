#pragma once
// TIconList: an ordered list of icons that owns them, tells one subscriber (OnChange)
// about every change, batches changes, and stores itself as one byte stream (the
// "Icons" property of the tray icon).
//
// An entry may be empty (no object): only a stream with a zero size makes one. The
// list listens to each icon it holds, so changing a listed icon in place is a change
// of the list. An operation that creates a new icon and fails (copying or loading
// raises) destroys that icon and passes the error on, the list as it was. An index
// outside the list raises Error("List index out of bounds (%d)").
//
// Stream format, all integers 32-bit little-endian signed: the number of entries,
// then per entry its size and that many bytes of the icon as an .ico file. An empty
// entry, or an icon without images, has size 0 and no bytes.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/byte_source.h"
#include "platform/icon_module.h"
#include "shell/icon.h"

namespace pallisar {

class TIconList {
  public:
    TIconList() = default;
    // Drops the subscriber first: destroying the list fires nothing.
    virtual ~TIconList();
    TIconList(const TIconList&) = delete;
    TIconList& operator=(const TIconList&) = delete;

    // Batches: OnChange is held back while one is open and fired once when the
    // outermost one closes.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Fires OnChange(*this) unless a batch is open.
    virtual void Changed();

    // The icon at `index`; null for an empty entry.
    virtual TIcon* Get(int index) const;
    virtual int Count() const { return static_cast<int>(entries_.size()); }
    // Copies `icon` into the entry at `index` (index == Count() appends one); an empty
    // entry gets an icon first. One change.
    virtual void Put(int index, const TIcon* icon);
    // Appends a new icon holding a copy of `icon` (none: an empty icon).
    virtual int Add(const TIcon* icon);
    // Appends `icon` itself (possibly none) and owns it from now on.
    int AddIcon(std::unique_ptr<TIcon> icon);
    // Appends the icon resource `name` of `module`.
    virtual int AddResource(const IconModule& module, const std::string& name);
    // Deletes every entry; one change, also for an empty list.
    virtual void Clear();
    virtual void Delete(int index);
    virtual void Exchange(int index1, int index2);
    // The position of that very object (not of an equal icon); -1 when absent.
    virtual int IndexOf(const TIcon* icon) const;
    virtual void Insert(int index, const TIcon* icon);
    virtual void InsertResource(int index, const IconModule& module, const std::string& name);
    virtual void Move(int curIndex, int newIndex);

    // Reads the list in one batch (one change). A stream that ends early, or an icon
    // that cannot be read, ends the reading with an Error; the entries read so far
    // stay.
    virtual void LoadFromStream(ByteStream& stream);
    // Appends the list to `stream`.
    virtual void SaveToStream(std::string& stream) const;

    // None clears the list; another list is copied entry by entry; one change.
    void Assign(const TIconList* source);
    // The list becomes one copy of `icon`; one change.
    void Assign(const TIcon& icon);
    // Any other kind of source, named by its class: raises
    // Error("Cannot assign a <sourceClassName> to a TIconList").
    void Assign(std::string_view sourceClassName);

    std::function<void(TIconList& sender)> OnChange;

  private:
    void CheckIndex(int index, int count) const;
    // Makes the list listen to `icon` (when there is one).
    std::unique_ptr<TIcon> Listened(std::unique_ptr<TIcon> icon);
    // Takes ownership of `icon`, listens to it and places it at `index`.
    void Place(int index, std::unique_ptr<TIcon> icon);
    std::unique_ptr<TIcon> NewCopy(const TIcon* icon) const;

    std::vector<std::unique_ptr<TIcon>> entries_;
    int updateCount_ = 0;
};

}  // namespace pallisar
