#include "core/file_replace.h"

#include <atomic>

namespace pallisar {

namespace {
std::atomic<long long> gFailAfter{-1};
std::atomic<bool> gFlush{true};
}  // namespace

void FailNextFileReplaceAfter(long long bytes) { gFailAfter = bytes < 0 ? -1 : bytes; }

long long detail::TakeFileReplaceFailure() { return gFailAfter.exchange(-1); }

void FlushFileReplacements(bool flush) { gFlush = flush; }

bool detail::FlushingFileReplacements() { return gFlush; }

}  // namespace pallisar
