#include "platform/batch_heap.h"

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
#define ALMANIX_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ALMANIX_OWN_ALLOCATOR 1
#endif
#endif

namespace almanix::platform {
namespace {

// A sanitizer's allocator has no heap of the system's to advise, and holds
// freed blocks back on purpose.
#ifdef ALMANIX_OWN_ALLOCATOR
#define SKIP_WITHOUT_SYSTEM_HEAP() GTEST_SKIP() << "the sanitizer brings its own allocator"
#else
#define SKIP_WITHOUT_SYSTEM_HEAP() (void)0
#endif

std::string ReadAll(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The kilobytes of large pages in the mapping that holds `address`.
long LargePageKilobytesAround(const void* address) {
  const auto at = reinterpret_cast<unsigned long>(address);
  std::istringstream smaps(ReadAll("/proc/self/smaps"));
  std::string line;
  bool inside = false;
  while (std::getline(smaps, line)) {
    unsigned long from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%lx-%lx ", &from, &to) == 2 && line.find(':') > 20) {
      inside = from <= at && at < to;
    } else if (inside && line.rfind("AnonHugePages:", 0) == 0) {
      return std::strtol(line.c_str() + 14, nullptr, 10);
    }
  }
  return -1;
}

// Runs `body` in a child, whose heap the test may set up as a command's
// would be; the child's exit code is the answer.
int InChild(int (*body)()) {
  const pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST(BatchHeapTest, LargeBlocksLandInTheLargePages) {
  SKIP_WITHOUT_SYSTEM_HEAP();
  const std::string thp = ReadAll("/sys/kernel/mm/transparent_hugepage/enabled");
  if (thp.find("[never]") != std::string::npos || thp.empty()) {
    GTEST_SKIP() << "the system grants no large pages";
  }
  // A page text of megabytes, as a generation run makes by the thousand:
  // it must come from the advised reserve, not from a mapping of its own.
  const int code = InChild([]() -> int {
    if (!PrepareBatchHeap(std::size_t{64} << 20)) return 1;
    const std::size_t size = std::size_t{8} << 20;
    char* block = static_cast<char*>(std::malloc(size));
    if (block == nullptr) return 2;
    std::memset(block, 'x', size);
    const long large = LargePageKilobytesAround(block + size / 2);
    std::free(block);
    return large >= 2048 ? 0 : 3;
  });
  EXPECT_EQ(code, 0) << "1: refused, 2: no memory, 3: no large pages where the block lies";
}

TEST(BatchHeapTest, TheHeapBelowTheLargePagesStaysUntouched) {
  SKIP_WITHOUT_SYSTEM_HEAP();
  // The stretch from the heap's end up to its first large-page boundary
  // would be faulted in page by page: the blocks a command allocates next
  // must lie above it, and of its pages only the last may be brought in,
  // where the allocator notes where the free memory begins. This holds
  // whether or not the system grants large pages.
  const int code = InChild([]() -> int {
    constexpr std::uintptr_t kLarge = std::uintptr_t{2} << 20;
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t boundary = (before + kLarge - 1) & ~(kLarge - 1);
    PrepareBatchHeap(std::size_t{64} << 20);
    std::vector<char*> blocks;
    bool above = false;
    for (int i = 0; i < 64; ++i) {
      const std::size_t size = std::size_t{64} << 10;
      auto* block = static_cast<char*>(std::malloc(size));
      if (block == nullptr) return 2;
      std::memset(block, 'x', size);
      const auto at = reinterpret_cast<std::uintptr_t>(block);
      if (at >= before && at + size <= boundary) return 3;
      above = above || at >= boundary;
      blocks.push_back(block);
    }
    if (!above) return 4;
    const std::size_t pages = boundary > before ? (boundary - before) / 4096 - 1 : 0;
    std::vector<unsigned char> resident(pages + 1);
    if (pages > 0 && mincore(reinterpret_cast<void*>(before), pages * 4096,
                             resident.data()) != 0) {
      return 5;
    }
    for (std::size_t i = 0; i < pages; ++i) {
      if (resident[i] & 1) return 6;
    }
    for (char* block : blocks) std::free(block);
    return 0;
  });
  EXPECT_EQ(code, 0) << "2: no memory, 3: a block below the boundary, "
                        "4: no block above it, 5: mincore failed, 6: a page brought in";
}

TEST(BatchHeapTest, MemoryFreedIsKeptAndReused) {
  SKIP_WITHOUT_SYSTEM_HEAP();
  // Freed blocks stay with the process: the next block of the same size
  // reuses the address instead of growing the heap again.
  const int code = InChild([]() -> int {
    PrepareBatchHeap(std::size_t{32} << 20);
    void* first = std::malloc(std::size_t{3} << 20);
    std::free(first);
    const void* top = sbrk(0);
    void* second = std::malloc(std::size_t{3} << 20);
    const bool reused = second == first && sbrk(0) == top;
    std::free(second);
    return reused ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
}

TEST(BatchHeapTest, WithoutAReserveOnlyTheAllocatorIsTuned) {
  const int code = InChild([]() -> int {
    if (PrepareBatchHeap(0)) return 1;
    void* block = std::malloc(std::size_t{1} << 20);
    std::free(block);
    return block != nullptr ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace almanix::platform
