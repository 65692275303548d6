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
// A block of n bytes takes n + 8 of the heap, rounded up to 16, and the
// allocator notes the free rest in the 16 bytes after it: a block of a
// stretch's length less this leaves both 16 bytes short of its end.
constexpr std::uintptr_t kTail = 48;

// The block below the first large page: never freed, and volatile, as the
// compiler would drop an allocation it never sees read.
void* volatile g_below_large_pages = nullptr;

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

  // The allocator sets itself up at its first call, taking memory from the
  // top of the heap: done first, so that nothing moves the block below.
  void* volatile first = std::malloc(1);
  std::free(first);

  // Grow the heap by the reserve in one step. The pages are only address
  // space until touched; a block larger than what is left at the top makes
  // the allocator ask the system, and the padding makes it ask for all of it.
  //
  // That block spans the heap from its top up to just below the first
  // large-page boundary, and is kept, never touched. Otherwise a short
  // command's allocations would all land in that stretch, each page faulted
  // in on its own: a hundred and thirty faults, a quarter of opening a small
  // calendar file. The block ends short of the boundary, so that the
  // allocator's note after it falls below it too: a page touched above the
  // boundary before the advice below would keep its large page from forming.
  const std::uintptr_t before = Brk();
  const std::uintptr_t start = (before + kTail + kLargePage - 1) & ~(kLargePage - 1);
  // Where the heap's free top begins: it reaches up to the heap's end.
  const std::uintptr_t top = before - mallinfo2().keepcost;
  mallopt(M_TOP_PAD, Option(large_page_bytes));
  g_below_large_pages = std::malloc(start - top - kTail);
  if (Brk() < before + large_page_bytes) {
    // Served from freed memory instead: grow the heap anyway.
    void* volatile block = std::malloc(kGrowth / 2);
    std::free(block);
  }
  mallopt(M_TOP_PAD, Option(kGrowth));
  const std::uintptr_t after = Brk();

  // When the heap could not grow in place the allocator went elsewhere, and
  // the range below would not be ours to advise.
  if (after < before + large_page_bytes) return false;
  const std::uintptr_t end = after & ~(kLargePage - 1);
  if (end <= start) return false;
  return madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE) == 0;
}

}  // namespace almanix::platform
