#include "platform/memory_registry.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pallisar {

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Wine's order for key and value names: byte-wise after lower-casing.
int CompareNames(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const auto ca = static_cast<unsigned char>(FoldCase(a[i]));
        const auto cb = static_cast<unsigned char>(FoldCase(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// The path's components; nullopt for a path that begins with a backslash.
std::optional<std::vector<std::string>> SplitPath(std::string_view path) {
    if (!path.empty() && path.front() == '\\') return std::nullopt;
    std::vector<std::string> parts;
    while (!path.empty()) {
        const size_t pos = path.find('\\');
        if (pos != 0) parts.emplace_back(path.substr(0, pos));
        if (pos == std::string_view::npos) break;
        path.remove_prefix(pos + 1);
    }
    return parts;
}

// Position of `name` in a sorted list of named items, and whether it is there.
template <typename List, typename NameOf>
std::pair<typename List::iterator, bool> FindSorted(List& list, std::string_view name,
                                                    NameOf nameOf) {
    auto it = std::lower_bound(list.begin(), list.end(), name, [&](const auto& item, auto n) {
        return CompareNames(nameOf(item), n) < 0;
    });
    return {it, it != list.end() && CompareNames(nameOf(*it), name) == 0};
}

}  // namespace

struct MemoryRegistry::Node {
    std::string name;
    // Folded names from the root down to this key, for the write refusals.
    std::vector<std::string> foldedPath;
    std::vector<std::shared_ptr<Node>> children;           // sorted by name
    std::vector<std::pair<std::string, RegValue>> values;  // sorted by name
    bool deleted = false;
};

struct MemoryRegistry::State {
    std::shared_ptr<Node> roots[6];
    std::vector<std::pair<RegRoot, std::vector<std::string>>> refused;
    int openHandles = 0;
    int handlesOpened = 0;

    State() {
        for (auto& root : roots) root = std::make_shared<Node>();
    }

    Node& Root(RegRoot root) { return *roots[static_cast<int>(root)]; }

    static std::string_view ChildNameOf(const std::shared_ptr<Node>& node) { return node->name; }

    bool Refused(RegRoot root, const std::vector<std::string>& folded) const {
        return std::any_of(refused.begin(), refused.end(), [&](const auto& entry) {
            return entry.first == root && entry.second.size() <= folded.size() &&
                   std::equal(entry.second.begin(), entry.second.end(), folded.begin());
        });
    }
};

namespace {

std::vector<std::string> Folded(const std::vector<std::string>& parts) {
    std::vector<std::string> folded;
    for (const auto& part : parts) {
        std::string f = part;
        std::transform(f.begin(), f.end(), f.begin(), FoldCase);
        folded.push_back(std::move(f));
    }
    return folded;
}

}  // namespace

class MemoryRegistry::Key final : public RegistryKey {
  public:
    Key(std::shared_ptr<State> state, RegRoot root, std::shared_ptr<Node> node, bool write)
        : state_(std::move(state)), root_(root), node_(std::move(node)), write_(write) {
        ++state_->openHandles;
        ++state_->handlesOpened;
    }
    ~Key() override { --state_->openHandles; }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    long QueryValue(std::string_view name, RegValue& value) override {
        if (node_->deleted) return regError::kKeyDeleted;
        auto [it, found] = FindSorted(node_->values, name, ValueNameOf);
        if (!found) return regError::kFileNotFound;
        value = it->second;
        return regError::kSuccess;
    }

    long SetValue(std::string_view name, const RegValue& value) override {
        if (const long denied = CheckWrite()) return denied;
        auto [it, found] = FindSorted(node_->values, name, ValueNameOf);
        if (found)
            it->second = value;
        else
            node_->values.emplace(it, std::string(name), value);
        return regError::kSuccess;
    }

    long DeleteValue(std::string_view name) override {
        if (const long denied = CheckWrite()) return denied;
        auto [it, found] = FindSorted(node_->values, name, ValueNameOf);
        if (!found) return regError::kFileNotFound;
        node_->values.erase(it);
        return regError::kSuccess;
    }

    long EnumSubKeys(std::vector<std::string>& names) override {
        if (node_->deleted) return regError::kKeyDeleted;
        names.clear();
        for (const auto& child : node_->children) names.push_back(child->name);
        return regError::kSuccess;
    }

    long EnumValues(std::vector<std::string>& names) override {
        if (node_->deleted) return regError::kKeyDeleted;
        names.clear();
        for (const auto& entry : node_->values) names.push_back(entry.first);
        return regError::kSuccess;
    }

  private:
    static std::string_view ValueNameOf(const std::pair<std::string, RegValue>& entry) {
        return entry.first;
    }

    long CheckWrite() const {
        if (node_->deleted) return regError::kKeyDeleted;
        if (!write_ || state_->Refused(root_, node_->foldedPath)) return regError::kAccessDenied;
        return regError::kSuccess;
    }

    std::shared_ptr<State> state_;
    RegRoot root_;
    std::shared_ptr<Node> node_;
    bool write_;
};

MemoryRegistry::MemoryRegistry() : state_(std::make_shared<State>()) {}
MemoryRegistry::~MemoryRegistry() = default;

long MemoryRegistry::OpenKey(RegRoot root, std::string_view path, bool write,
                             std::unique_ptr<RegistryKey>& key) {
    const auto parts = SplitPath(path);
    if (!parts) return regError::kBadPathname;
    std::shared_ptr<Node> node = state_->roots[static_cast<int>(root)];
    for (const auto& part : *parts) {
        auto [it, found] = FindSorted(node->children, part, State::ChildNameOf);
        if (!found) return regError::kFileNotFound;
        node = *it;
    }
    if (write && state_->Refused(root, node->foldedPath)) return regError::kAccessDenied;
    key = std::make_unique<Key>(state_, root, std::move(node), write);
    return regError::kSuccess;
}

long MemoryRegistry::CreateKey(RegRoot root, std::string_view path,
                               std::unique_ptr<RegistryKey>& key) {
    const auto parts = SplitPath(path);
    if (!parts) return regError::kBadPathname;
    const auto folded = Folded(*parts);
    // Nothing is created when the key could not be opened for writing afterwards.
    if (state_->Refused(root, folded)) return regError::kAccessDenied;
    std::shared_ptr<Node> node = state_->roots[static_cast<int>(root)];
    for (size_t i = 0; i < parts->size(); ++i) {
        auto [it, found] = FindSorted(node->children, (*parts)[i], State::ChildNameOf);
        if (!found) {
            auto child = std::make_shared<Node>();
            child->name = (*parts)[i];
            child->foldedPath.assign(folded.begin(), folded.begin() + i + 1);
            it = node->children.insert(it, std::move(child));
        }
        node = *it;
    }
    key = std::make_unique<Key>(state_, root, std::move(node), true);
    return regError::kSuccess;
}

long MemoryRegistry::DeleteTree(RegRoot root, std::string_view path) {
    const auto parts = SplitPath(path);
    if (!parts) return regError::kBadPathname;
    if (parts->empty()) return regError::kAccessDenied;  // a root cannot be deleted
    if (state_->Refused(root, Folded(*parts))) return regError::kAccessDenied;
    Node* parent = &state_->Root(root);
    for (size_t i = 0; i + 1 < parts->size(); ++i) {
        auto [it, found] = FindSorted(parent->children, (*parts)[i], State::ChildNameOf);
        if (!found) return regError::kFileNotFound;
        parent = it->get();
    }
    auto [it, found] = FindSorted(parent->children, parts->back(), State::ChildNameOf);
    if (!found) return regError::kFileNotFound;
    // Handles still open below the key see it as deleted.
    std::vector<Node*> pending{it->get()};
    while (!pending.empty()) {
        Node* node = pending.back();
        pending.pop_back();
        node->deleted = true;
        for (const auto& child : node->children) pending.push_back(child.get());
    }
    parent->children.erase(it);
    return regError::kSuccess;
}

long MemoryRegistry::FlushKey(RegRoot root, std::string_view path) {
    std::unique_ptr<RegistryKey> key;
    return OpenKey(root, path, false, key);
}

void MemoryRegistry::RefuseWritesBelow(RegRoot root, std::string_view path) {
    const auto parts = SplitPath(path);
    if (parts) state_->refused.emplace_back(root, Folded(*parts));
}

void MemoryRegistry::AcceptAllWrites() { state_->refused.clear(); }

int MemoryRegistry::OpenHandles() const { return state_->openHandles; }
int MemoryRegistry::HandlesOpened() const { return state_->handlesOpened; }

}  // namespace pallisar
