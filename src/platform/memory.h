#pragma once
// Large buffers (a register's bytes, its line index) are touched page by
// page as they fill; on Linux each first touch of a 4 KiB page is a fault.
// Asking for huge pages on such a buffer makes that a few faults per
// 2 MiB instead of 512.

#include <cstddef>

namespace memory {

// Advises the kernel to back the whole 2 MiB pages inside [p, p + bytes)
// with huge pages. Harmless where that is not available.
void adviseHugePages(void *p, std::size_t bytes);

} // namespace memory
