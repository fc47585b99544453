#include "core/file_replace.h"

#include <atomic>
#include <utility>

namespace pallisar {

namespace {
std::atomic<long long> gFailAfter{-1};
std::atomic<bool> gFlush{true};
std::atomic<bool> gWithoutMoveFileEx{false};
// Set and read by the tests' own thread only.
std::function<InjectedFailure(ReplaceStep)> gFailureAtStep;
}  // namespace

void FailNextFileReplaceAfter(long long bytes) { gFailAfter = bytes < 0 ? -1 : bytes; }

long long detail::TakeFileReplaceFailure() { return gFailAfter.exchange(-1); }

void FlushFileReplacements(bool flush) { gFlush = flush; }

bool detail::FlushingFileReplacements() { return gFlush; }

void InjectFileReplaceFailures(std::function<InjectedFailure(ReplaceStep)> atStep) {
    gFailureAtStep = std::move(atStep);
}

InjectedFailure detail::FailureAfter(ReplaceStep step) {
    return gFailureAtStep ? gFailureAtStep(step) : InjectedFailure::None;
}

void ReplaceAsWithoutMoveFileEx(bool on) { gWithoutMoveFileEx = on; }

bool detail::MoveFileExTakenAway() { return gWithoutMoveFileEx; }

detail::ReplacementNames detail::NextReplacementNames(const std::string& path) {
    static std::atomic<unsigned> serial{0};
    const std::string stem = path + ".~" + ThisFileWriter() + "-" + std::to_string(serial++);
    return {stem + ".tmp", stem + ".old"};
}

}  // namespace pallisar
