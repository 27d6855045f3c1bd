// The growable arrays of the large collections (hundreds of thousands of records, filled once
// at start-up): from a quarter of a megabyte on, their storage is whole huge pages of its own.
// Fresh memory costs mostly per page, and a huge page costs about what a few small ones do.
#pragma once

#include "platform/kernel.h"

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

template <typename T> struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <typename U> LargeAllocator(const LargeAllocator<U>&) {}

    static constexpr size_t kMapFrom = 256u << 10;

    T* allocate(size_t n)
    {
        const size_t bytes = n * sizeof(T);
        if (n > static_cast<size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        if (bytes < kMapFrom)
            return std::allocator<T>().allocate(n);
        if (void* p = MapLarge(bytes))
            return static_cast<T*>(p);
        throw std::bad_alloc();
    }
    void deallocate(T* p, size_t n)
    {
        if (n * sizeof(T) < kMapFrom)
            std::allocator<T>().deallocate(p, n);
        else
            UnmapLarge(p, n * sizeof(T));
    }
    template <typename U> friend bool operator==(const LargeAllocator&, const LargeAllocator<U>&) { return true; }
};

template <typename T> using LargeVector = std::vector<T, LargeAllocator<T>>;
