#pragma once

#include <cstddef>

namespace almanix::platform {

// Sets the allocator up for a process that runs one command and ends.
// Memory it frees is kept for its next allocations instead of being handed
// back to the system and faulted in again, and the first `large_page_bytes`
// of the heap ask for large pages: a generation run touches a hundred
// megabytes of fresh memory, and with 4 KiB pages a third of its time went
// to page faults. Where the system grants large pages only on request
// (transparent huge pages in "madvise" mode) this is that request; where it
// refuses them, nothing changes but the faults.
//
// Call once, first thing in main, before other threads start. Returns
// whether the large-page request was accepted.
bool PrepareBatchHeap(std::size_t large_page_bytes);

}  // namespace almanix::platform
