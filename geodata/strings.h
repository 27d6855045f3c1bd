// Byte strings of the catalogues, kept in large chunks that never move: hundreds of thousands
// of names without an allocation each.
#pragma once

#include "geodata/largevector.h"
#include "platform/kernel.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A NUL-terminated byte string owned by a StringPool, in a chunk or a block it keeps (or a
// literal); compares as bytes. One pointer wide: the catalogues hold a million of them.
class PooledString {
public:
    PooledString() = default;
    explicit PooledString(const char* data) : m_data(data) {}
    const char* c_str() const { return m_data; }
    size_t size() const { return std::strlen(m_data); }
    bool empty() const { return m_data[0] == 0; }
    std::string_view view() const { return {m_data}; }
    std::string str() const { return std::string(view()); }
    friend bool operator==(const PooledString& a, const PooledString& b)
    {
        return a.m_data == b.m_data || std::strcmp(a.m_data, b.m_data) == 0;
    }
    friend bool operator==(const PooledString& a, std::string_view b) { return a.view() == b; }

private:
    const char* m_data = "";
};

class StringPool {
public:
    StringPool() = default;
    StringPool(const StringPool&) = delete;
    StringPool& operator=(const StringPool&) = delete;
    ~StringPool() { Clear(); }

    // Copies the bytes and a terminating NUL.
    PooledString Add(std::string_view bytes)
    {
        const size_t need = bytes.size() + 1;
        if (m_chunks.empty() || m_used + need > m_chunkSize)
            Reserve(need);
        char* dst = m_chunks.back().bytes + m_used;
        std::memcpy(dst, bytes.data(), bytes.size());
        dst[bytes.size()] = 0;
        m_used += need;
        return PooledString(dst);
    }
    // The next bytes added, up to this many, go into one chunk made now.
    void Reserve(size_t bytes)
    {
        if (!m_chunks.empty() && m_used + bytes <= m_chunkSize)
            return;
        m_chunkSize = std::max(bytes, kChunk);
        m_chunks.emplace_back(m_chunkSize);
        m_used = 0;
    }
    // Strings may also point into a memory block that the pool then keeps, locked, until Clear.
    void Keep(HGLOBAL block) { m_blocks.push_back(block); }
    void Clear()
    {
        m_chunks.clear();
        m_used = 0;
        for (HGLOBAL block : m_blocks) {
            GlobalUnlock(block);
            GlobalFree(block);
        }
        m_blocks.clear();
    }

private:
    static constexpr size_t kChunk = 1 << 20;
    // Chunks are not cleared: every byte handed out is written first.
    struct Chunk {
        explicit Chunk(size_t n) : bytes(LargeAllocator<char>().allocate(n)), size(n) {}
        Chunk(Chunk&& o) noexcept : bytes(std::exchange(o.bytes, nullptr)), size(o.size) {}
        Chunk& operator=(Chunk&&) = delete;
        ~Chunk()
        {
            if (bytes)
                LargeAllocator<char>().deallocate(bytes, size);
        }
        char* bytes;
        size_t size;
    };
    std::vector<Chunk> m_chunks;
    size_t m_chunkSize = 0;
    size_t m_used = 0;
    std::vector<HGLOBAL> m_blocks;
};
