#pragma once
// BulkList<T>: a std::vector for the large lists of a mesh (positions, corner
// lists, per-vertex UVs) that are filled completely after they are sized.
//
// A std::vector zero-fills on resize, a whole pass over hundreds of megabytes
// that the filling then overwrites. A BulkList takes its room from calloc and
// leaves new elements as that memory holds them: zeros for room just
// allocated (calloc gets large blocks as fresh, already-zero pages, without
// writing them), the earlier contents after a shrink and regrow. Explicit
// values (resize(n, value), assign) are written as with any vector.
#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

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
        if (count == 0) count = 1;
        void* p = std::calloc(count, sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t) noexcept { std::free(p); }

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
