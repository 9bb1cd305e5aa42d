#include "platform/memory.h"

#include <cstdint>
#include <sys/mman.h>

namespace memory {

void adviseHugePages(void *p, std::size_t bytes)
{
    constexpr std::uintptr_t Huge = std::uintptr_t(2) << 20;
    if (bytes < 2 * Huge)
        return;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(p) + Huge - 1) & ~(Huge - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(p) + bytes) & ~(Huge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace memory
