#include "platform/process_tree.h"

#include <algorithm>

namespace pallisar {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameFile(const std::string& a, const std::string& b) {
    const std::string left = ProgramFileName(a);
    const std::string right = ProgramFileName(b);
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](char x, char y) { return Upper(x) == Upper(y); });
}

// Whether two records of one id are one process: the same creation time where the
// system gives it, else the same program.
bool SameProcess(const ProcessRecord& known, const ProcessRecord& listed) {
    if (known.created != 0 && listed.created != 0) return known.created == listed.created;
    return SameFile(known.file, listed.file);
}

const ProcessRecord* Find(const std::vector<ProcessRecord>& list, uint32_t id) {
    for (const ProcessRecord& record : list) {
        if (record.id == id) return &record;
    }
    return nullptr;
}

}  // namespace

std::string ProgramFileName(const std::string& path) {
    const auto slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

ProcessTree::ProcessTree(uint32_t rootId, std::string rootFile) {
    Followed root;
    root.record.id = rootId;
    root.record.file = std::move(rootFile);
    followed_.emplace(rootId, std::move(root));
}

void ProcessTree::Exclude(const std::vector<ProcessRecord>& before) { before_ = before; }

bool ProcessTree::Excluded(const ProcessRecord& process) const {
    const ProcessRecord* earlier = Find(before_, process.id);
    return earlier && SameProcess(*earlier, process);
}

std::vector<FollowedProgram> ProcessTree::Look(const std::vector<ProcessRecord>& running) {
    looked_ = true;
    // Those still running. The started process counts as itself until it is first
    // seen: the launcher holds its handle, so its id cannot have gone to another.
    std::map<uint32_t, Followed> still;
    for (const auto& [id, known] : followed_) {
        const ProcessRecord* listed = Find(running, id);
        if (!listed || (known.seen && !SameProcess(known.record, *listed))) continue;
        Followed now{*listed, true};
        if (now.record.file.empty()) now.record.file = known.record.file;
        still.emplace(id, std::move(now));
    }
    // A process ended since the last look still counts as a parent in this look: what
    // it started before it ended is in this list. Its id may already be another's.
    const auto parentOf = [&](const ProcessRecord& child) -> const ProcessRecord* {
        if (const auto alive = still.find(child.parentId); alive != still.end()) {
            return &alive->second.record;
        }
        const auto ended = followed_.find(child.parentId);
        if (ended == followed_.end()) return nullptr;
        if (const ProcessRecord* holder = Find(running, child.parentId)) {
            // The id went to an unrelated program: only a child known to be older than
            // that program can be the ended one's.
            if (child.created == 0 || holder->created == 0 || child.created >= holder->created)
                return nullptr;
        }
        return &ended->second.record;
    };

    std::vector<FollowedProgram> joined;
    for (bool grew = true; grew;) {
        grew = false;
        for (const ProcessRecord& process : running) {
            if (process.id == process.parentId || still.count(process.id) != 0 ||
                Excluded(process)) {
                continue;
            }
            const ProcessRecord* parent = parentOf(process);
            // A child cannot be older than its parent: the parent id is a stale one.
            if (!parent || (parent->created != 0 && process.created != 0 &&
                            process.created < parent->created)) {
                continue;
            }
            joined.push_back({ProgramFileName(process.file), ProgramFileName(parent->file)});
            still.emplace(process.id, Followed{process, true});
            grew = true;
        }
    }
    followed_ = std::move(still);
    return joined;
}

std::vector<uint32_t> ProcessTree::FollowedIds() const {
    std::vector<uint32_t> ids;
    for (const auto& entry : followed_) ids.push_back(entry.first);
    return ids;
}

}  // namespace pallisar
