#pragma once
// Faulting fresh memory in page by page on first write costs more than the
// writing itself on the machines we measured, so the large lists of a mesh
// map their room in one call before they are filled. (Huge pages would cut
// the faults too, but finding them was slower still there.) Best effort:
// elsewhere, or on an older kernel, nothing happens.
#include <cstddef>
#include <cstdint>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace memoryhints {

inline void prefault(void* data, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    constexpr uintptr_t kPage = 4096;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
    if (end > begin) (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)data;
    (void)bytes;
#endif
}

// Reserves room for count elements and maps it.
template <typename List>
void reserveMapped(List& list, size_t count) {
    list.reserve(count);
    prefault(list.data(), list.capacity() * sizeof(*list.data()));
}

}  // namespace memoryhints
