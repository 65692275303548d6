#include "platform/batch_heap.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace almanix::platform {
namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kGrowth = std::size_t{32} << 20;

std::uintptr_t Brk() { return reinterpret_cast<std::uintptr_t>(sbrk(0)); }

int Option(std::size_t bytes) {
  return static_cast<int>(std::min<std::size_t>(bytes, std::numeric_limits<int>::max()));
}

}  // namespace

bool PrepareBatchHeap(std::size_t large_page_bytes) {
  // Large blocks come from the heap too, so that page texts of megabytes
  // share its pages; and what is freed stays, the reserve included.
  mallopt(M_MMAP_THRESHOLD, Option(kGrowth));
  mallopt(M_TRIM_THRESHOLD, Option(large_page_bytes + 2 * kGrowth));
  if (large_page_bytes == 0) {
    mallopt(M_TOP_PAD, Option(kGrowth));
    return false;
  }

  // Grow the heap by the reserve in one step. The pages are only address
  // space until touched; a block larger than what is left at the top makes
  // the allocator ask the system, and the padding makes it ask for all of it.
  const std::uintptr_t before = Brk();
  mallopt(M_TOP_PAD, Option(large_page_bytes));
  void* block = std::malloc(kGrowth / 2);
  std::free(block);
  mallopt(M_TOP_PAD, Option(kGrowth));
  const std::uintptr_t after = Brk();

  // When the heap could not grow in place the allocator went elsewhere, and
  // the range below would not be ours to advise.
  if (block == nullptr || after < before + large_page_bytes) return false;
  const std::uintptr_t start = (before + kLargePage - 1) & ~(kLargePage - 1);
  const std::uintptr_t end = after & ~(kLargePage - 1);
  if (end <= start) return false;
  return madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0;
}

}  // namespace almanix::platform
