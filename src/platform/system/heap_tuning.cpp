#include "platform/system/heap_tuning.h"

#include <malloc.h>

namespace vex {

namespace {

constexpr int kTrimThresholdBytes = 512 << 20;
constexpr int kMmapThresholdBytes = 32 << 20;  // the largest the heap allows
constexpr int kTopPadBytes = 64 << 20;

}  // namespace

void KeepFreedMemoryForReuse() {
  // Failures leave the defaults, which only cost time.
  (void)mallopt(M_TRIM_THRESHOLD, kTrimThresholdBytes);
  (void)mallopt(M_MMAP_THRESHOLD, kMmapThresholdBytes);
  (void)mallopt(M_TOP_PAD, kTopPadBytes);
}

}  // namespace vex
