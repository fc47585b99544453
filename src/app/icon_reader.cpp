#include "app/icon_reader.h"

#include <algorithm>
#include <utility>

#include "core/byte_source.h"
#include "core/file_access.h"

namespace pallisar {

IconReadResult ReadWantedIcon(int icon, const IconRef& ref) {
    using Outcome = IconReadResult::Outcome;
    IconReadResult result{icon, Outcome::Unreadable, std::nullopt};
    const FileByteSource file(ref.FileName);
    if (!file.IsOpen()) {
        // A file held open by another program stays named; only a missing one is replaced.
        if (!FileExists(ref.FileName)) result.outcome = Outcome::NoIcons;
        return result;
    }
    const int count = CountIcons(file);
    if (count <= 0) {
        result.outcome = Outcome::NoIcons;
        return result;
    }
    result.image = ReadIcon(file, std::clamp(ref.Index, 0, count - 1));
    if (result.image) result.outcome = Outcome::Read;
    return result;
}

IconReader::IconReader(std::function<void()> resultsWaiting, std::size_t wantLimit)
    : resultsWaiting_(std::move(resultsWaiting)), wantLimit_(std::max<std::size_t>(wantLimit, 1)) {
    thread_ = std::make_unique<WorkerThread>([this] { Run(); });
}

IconReader::~IconReader() {
    {
        WorkerLockGuard guard(lock_);
        stop_ = true;
    }
    wake_.Set();
    thread_.reset();
}

int IconReader::Want(int icon, IconRef ref) {
    int dropped = -1;
    {
        WorkerLockGuard guard(lock_);
        if (wants_.size() >= wantLimit_) {
            dropped = wants_.front().icon;
            wants_.pop_front();
        }
        wants_.push_back({icon, std::move(ref)});
    }
    wake_.Set();
    return dropped;
}

std::vector<IconReadResult> IconReader::TakeResults() {
    WorkerLockGuard guard(lock_);
    return std::exchange(results_, {});
}

void IconReader::Forget() {
    WorkerLockGuard guard(lock_);
    wants_.clear();
    results_.clear();
    ++generation_;
}

void IconReader::Run() {
    for (;;) {
        std::optional<Wanted> next;
        unsigned generation = 0;
        {
            WorkerLockGuard guard(lock_);
            if (stop_) return;
            if (!wants_.empty()) {
                next = std::move(wants_.back());
                wants_.pop_back();
                generation = generation_;
            }
        }
        if (!next) {
            wake_.Wait(WakeSignal::kForever);
            continue;
        }
        IconReadResult result = ReadWantedIcon(next->icon, next->ref);
        bool first = false;
        {
            WorkerLockGuard guard(lock_);
            if (generation != generation_) continue;
            first = results_.empty();
            results_.push_back(std::move(result));
        }
        if (first) resultsWaiting_();
    }
}

}  // namespace pallisar
