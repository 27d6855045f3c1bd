// Counted resources: an int32 count, then records of a fixed size.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

// How many of the count records lie wholly inside size bytes; only those are read.
inline size_t RecordsInside(int32_t count, size_t size, size_t recordSize)
{
    if (count <= 0 || size < 4)
        return 0;
    return std::min<size_t>(static_cast<size_t>(count), (size - 4) / recordSize);
}

// Room for n more elements, so that filling never reallocates.
template <typename Vector> void MakeRoom(Vector& v, size_t n)
{
    if (v.capacity() < v.size() + n)
        v.reserve(v.size() + n);
}

inline int32_t ReadInt32(const unsigned char* p)
{
    int32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
