#include "base/memory_policy.h"

#include <malloc.h>

#include <mutex>

void GiveLargeBlocksBackToTheSystem() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Fixed values also stop the library from raising them on its own. Blocks below 4 MB
    // (the window's 557 x 557 surfaces, the frame's buffers) stay in the pools for reuse.
    constexpr int kOwnMappingFrom = 4 << 20;
    constexpr int kTrimPoolTopFrom = 8 << 20;
    ::mallopt(M_MMAP_THRESHOLD, kOwnMappingFrom);
    ::mallopt(M_TRIM_THRESHOLD, kTrimPoolTopFrom);
  });
}
