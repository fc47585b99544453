#include "shell/icon_list.h"

#include <cstdint>
#include <utility>

#include "core/errors.h"

namespace pallisar {

namespace {

std::string_view ReadBytes(ByteStream& stream, std::size_t size) {
    const std::optional<std::string_view> bytes = stream.Read(size);
    if (!bytes) throw Error("Stream read error");
    return *bytes;
}

std::int32_t ReadInt32(ByteStream& stream) {
    LittleEndianReader field(ReadBytes(stream, 4));
    return static_cast<std::int32_t>(field.U32(0));
}

void WriteInt32(std::string& stream, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    stream += {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
               static_cast<char>(v >> 24)};
}

// Closes a batch also when the batch's work raises.
class Batch {
  public:
    explicit Batch(TIconList& list) : list_(list) { list_.BeginUpdate(); }
    ~Batch() { list_.EndUpdate(); }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

  private:
    TIconList& list_;
};

}  // namespace

TIconList::~TIconList() {
    OnChange = nullptr;
    for (auto& icon : entries_)
        if (icon) icon->OnChange = nullptr;
}

void TIconList::EndUpdate() {
    if (--updateCount_ == 0) Changed();
}

void TIconList::Changed() {
    if (updateCount_ == 0 && OnChange) OnChange(*this);
}

void TIconList::CheckIndex(int index, int count) const {
    if (index < 0 || index >= count)
        throw Error("List index out of bounds (" + std::to_string(index) + ")");
}

TIcon* TIconList::Get(int index) const {
    CheckIndex(index, Count());
    return entries_[index].get();
}

std::unique_ptr<TIcon> TIconList::NewCopy(const TIcon* icon) const {
    auto copy = std::make_unique<TIcon>();
    copy->Assign(icon);
    return copy;
}

std::unique_ptr<TIcon> TIconList::Listened(std::unique_ptr<TIcon> icon) {
    if (icon) icon->OnChange = [this] { Changed(); };
    return icon;
}

void TIconList::Place(int index, std::unique_ptr<TIcon> icon) {
    entries_.insert(entries_.begin() + index, Listened(std::move(icon)));
}

void TIconList::Put(int index, const TIcon* icon) {
    Batch batch(*this);
    if (index == Count()) Add(nullptr);
    CheckIndex(index, Count());
    if (!entries_[index]) entries_[index] = Listened(std::make_unique<TIcon>());
    entries_[index]->Assign(icon);
}

int TIconList::Add(const TIcon* icon) { return AddIcon(NewCopy(icon)); }

int TIconList::AddIcon(std::unique_ptr<TIcon> icon) {
    const int index = Count();
    Place(index, std::move(icon));
    Changed();
    return index;
}

int TIconList::AddResource(const IconModule& module, const std::string& name) {
    auto icon = std::make_unique<TIcon>();
    icon->SetIcon(module.LoadIconResource(name));
    return AddIcon(std::move(icon));
}

void TIconList::Clear() {
    Batch batch(*this);
    for (int i = Count() - 1; i >= 0; --i) Delete(i);
}

void TIconList::Delete(int index) {
    CheckIndex(index, Count());
    std::unique_ptr<TIcon> icon = std::move(entries_[index]);
    if (icon) icon->OnChange = nullptr;
    entries_.erase(entries_.begin() + index);
    icon.reset();
    Changed();
}

void TIconList::Exchange(int index1, int index2) {
    CheckIndex(index1, Count());
    CheckIndex(index2, Count());
    std::swap(entries_[index1], entries_[index2]);
    Changed();
}

int TIconList::IndexOf(const TIcon* icon) const {
    for (int i = 0; i < Count(); ++i)
        if (entries_[i].get() == icon) return i;
    return -1;
}

void TIconList::Insert(int index, const TIcon* icon) {
    CheckIndex(index, Count() + 1);
    Place(index, NewCopy(icon));
    Changed();
}

void TIconList::InsertResource(int index, const IconModule& module, const std::string& name) {
    CheckIndex(index, Count() + 1);
    auto icon = std::make_unique<TIcon>();
    icon->SetIcon(module.LoadIconResource(name));
    Place(index, std::move(icon));
    Changed();
}

void TIconList::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) return;
    CheckIndex(curIndex, Count());
    CheckIndex(newIndex, Count());
    std::unique_ptr<TIcon> icon = std::move(entries_[curIndex]);
    entries_.erase(entries_.begin() + curIndex);
    entries_.insert(entries_.begin() + newIndex, std::move(icon));
    Changed();
}

void TIconList::LoadFromStream(ByteStream& stream) {
    Batch batch(*this);
    Clear();
    const std::int32_t count = ReadInt32(stream);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t size = ReadInt32(stream);
        if (size <= 0) {
            AddIcon(nullptr);
            continue;
        }
        const std::string_view bytes = ReadBytes(stream, static_cast<std::size_t>(size));
        auto icon = std::make_unique<TIcon>();
        icon->LoadFromBytes(std::string(bytes));
        AddIcon(std::move(icon));
    }
}

void TIconList::SaveToStream(std::string& stream) const {
    WriteInt32(stream, Count());
    for (const auto& icon : entries_) {
        const std::string bytes = icon ? icon->SaveToBytes() : std::string();
        WriteInt32(stream, static_cast<std::int32_t>(bytes.size()));
        stream += bytes;
    }
}

void TIconList::Assign(const TIconList* source) {
    if (source == this) return Changed();
    Batch batch(*this);
    Clear();
    if (!source) return;
    for (const auto& icon : source->entries_) Add(icon.get());
}

void TIconList::Assign(const TIcon& icon) {
    Batch batch(*this);
    Clear();
    Add(&icon);
}

void TIconList::Assign(std::string_view sourceClassName) {
    throw Error("Cannot assign a " + std::string(sourceClassName) + " to a TIconList");
}

}  // namespace pallisar
