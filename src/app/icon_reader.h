#pragma once
// Reads the games' icons off the user-interface thread, so that a slow disk never holds
// up the window. A worker thread takes the wanted icons, the most recently wanted first
// (what the screen shows now), and reads each from its file as TFileIndexIcon reads it.
// What it read waits until the user-interface thread takes it; that thread is told each
// time results begin to wait, so that it can post itself a message.

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/icon_ref.h"
#include "core/icon_resources.h"
#include "platform/worker_thread.h"

namespace pallisar {

struct IconReadResult {
    enum class Outcome {
        Read,        // `image` holds the icon
        NoIcons,     // the file does not exist, or it holds no icons
        Unreadable,  // the file is there but could not be opened, or that icon not read
    };
    int icon = -1;  // the number the icon was wanted under
    Outcome outcome = Outcome::Unreadable;
    std::optional<Icon> image;
};

// Reads icon `ref` now: its number is clamped to the icons of the file (a negative one
// to 0).
IconReadResult ReadWantedIcon(int icon, const IconRef& ref);

class IconReader {
  public:
    // `resultsWaiting` runs on the worker thread whenever results begin to wait (it
    // must do no more than post a message); at most `wantLimit` wants wait at once.
    IconReader(std::function<void()> resultsWaiting, std::size_t wantLimit);
    // Waits for the read under way, if any.
    ~IconReader();
    IconReader(const IconReader&) = delete;
    IconReader& operator=(const IconReader&) = delete;

    // Icon `icon` is wanted from `ref`. Returns the icon whose want was dropped to make
    // room (the one wanted longest ago), or -1.
    int Want(int icon, IconRef ref);
    // The results so far, in the order read.
    std::vector<IconReadResult> TakeResults();
    // A new list: the wants not yet read are dropped, and no result of an earlier want
    // is given any more.
    void Forget();

  private:
    struct Wanted {
        int icon;
        IconRef ref;
    };
    void Run();

    std::function<void()> resultsWaiting_;
    std::size_t wantLimit_;
    WorkerLock lock_;
    WakeSignal wake_;
    std::deque<Wanted> wants_;  // the most recent at the back
    std::vector<IconReadResult> results_;
    unsigned generation_ = 0;
    bool stop_ = false;
    std::unique_ptr<WorkerThread> thread_;  // started last, when the rest is in place
};

}  // namespace pallisar
