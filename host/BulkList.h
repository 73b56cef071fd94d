#pragma once
// BulkList<T>: a std::vector for the large lists of a mesh (positions, corner
// lists, per-vertex UVs, normals) that are filled completely after they are
// sized.
//
// A std::vector zero-fills on resize, a whole pass over hundreds of megabytes
// that the filling then overwrites. A BulkList takes its room from the host's
// list storage (host/ListStorage.h): a place in the scene file being written
// when one waits for it, otherwise calloc. New elements are left as that
// memory holds them: zeros for room just allocated (fresh pages, or a
// reserved file's room, read as zeros without being written), the earlier
// contents after a shrink and regrow. Explicit values (resize(n, value),
// assign) are written as with any vector.
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/ListStorage.h"

namespace XSI {

template <typename T>
struct CallocAllocator {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_default_constructible<T>::value,
                  "bulk lists hold plain values only");
    using value_type = T;

    CallocAllocator() = default;
    template <typename U>
    CallocAllocator(const CallocAllocator<U>&) noexcept {}

    T* allocate(size_t count) {
        // Thrown here, in the caller's module: the host's own call never throws.
        if (count > size_t(-1) / sizeof(T)) throw std::bad_alloc();
        void* p = detail::allocateList(count * sizeof(T), std::is_floating_point<T>::value);
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t count) noexcept { detail::releaseList(p, count * sizeof(T)); }

    // Default construction leaves the memory alone; anything else is built as usual.
    template <typename U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    template <typename U>
    bool operator==(const CallocAllocator<U>&) const noexcept {
        return true;
    }
    template <typename U>
    bool operator!=(const CallocAllocator<U>&) const noexcept {
        return false;
    }
};

template <typename T>
using BulkList = std::vector<T, CallocAllocator<T>>;

}  // namespace XSI
