#include "platform/kernel.h"

#include "platform/cp932.h"
#include "resources/resource_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {
const char g_module = 0;
size_t g_allocLimit = 0;

struct Registered {
    const void* data;
    size_t size;
};
std::map<int, Registered>& Overrides()
{
    static std::map<int, Registered> map;
    return map;
}
} // namespace

HINSTANCE g_hInstance = nullptr;

HINSTANCE GetModuleHandle(const char*)
{
    return &g_module;
}

struct GlobalBlock {
    unsigned char* bytes = nullptr;
    size_t size = 0;
    int locks = 0;
    bool mapped = false;
};

struct ResourceInfo {
    int id;
    const void* data;
    size_t size;
};

namespace {

// Blocks from half a megabyte on (the inflated catalogues, the raster, the start-up block) are
// mapped on their own, so that they come zeroed and grow without copying. Their mappings start
// on a huge-page boundary and are whole huge pages long: fresh memory costs mostly per page.
constexpr size_t kMapFrom = 512u << 10;
constexpr size_t kMapGranule = 2u << 20;

size_t MappedSize(size_t bytes)
{
    return (bytes + kMapGranule - 1) / kMapGranule * kMapGranule;
}

// Asks for the whole pages inside [p, p + bytes) at once, before they are written: far cheaper
// than a fault each. Contents are unchanged; where the system cannot, the faults come later.
void PrefaultForWriting(void* p, size_t bytes)
{
    const auto at = reinterpret_cast<uintptr_t>(p);
    const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t begin = (at + page - 1) / page * page;
    const uintptr_t end = (at + bytes) / page * page;
    if (end <= begin)
        return;
#ifdef MADV_HUGEPAGE
    // Fresh memory costs mostly per page: large ranges ask for huge pages where they fit whole.
    constexpr uintptr_t kHuge = 2u << 20;
    const uintptr_t hugeBegin = (at + kHuge - 1) / kHuge * kHuge;
    const uintptr_t hugeEnd = (at + bytes) / kHuge * kHuge;
    if (hugeEnd > hugeBegin)
        madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#endif
}

// An aligned, untouched mapping of whole granules.
unsigned char* ReserveAligned(size_t mapped)
{
    void* p = mmap(nullptr, mapped + kMapGranule, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    const auto at = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (at + kMapGranule - 1) / kMapGranule * kMapGranule;
    if (aligned > at)
        munmap(p, aligned - at);
    if (const uintptr_t tail = at + kMapGranule - aligned)
        munmap(reinterpret_cast<void*>(aligned + mapped), tail);
    return reinterpret_cast<unsigned char*>(aligned);
}

unsigned char* MapBytes(size_t bytes)
{
    unsigned char* p = ReserveAligned(MappedSize(bytes));
    if (p)
        PrefaultForWriting(p, MappedSize(bytes));
    return p;
}

// The mapping of a block made size bytes long; its pages move, nothing is copied.
unsigned char* Remap(unsigned char* bytes, size_t oldSize, size_t size)
{
    const size_t from = MappedSize(oldSize), to = MappedSize(size);
    if (to <= from) {
        void* p = mremap(bytes, from, to, 0);
        return p == MAP_FAILED ? nullptr : static_cast<unsigned char*>(p);
    }
    unsigned char* dst = ReserveAligned(to);
    if (!dst)
        return nullptr;
    void* p = mremap(bytes, from, to, MREMAP_MAYMOVE | MREMAP_FIXED, dst);
    if (p == MAP_FAILED) {
        munmap(dst, to);
        return nullptr;
    }
    PrefaultForWriting(dst + from, to - from);
    return dst;
}

} // namespace

void* MapLarge(size_t bytes)
{
    const size_t mapped = MappedSize(std::max<size_t>(bytes, 1));
    unsigned char* p = ReserveAligned(mapped);
#ifdef MADV_HUGEPAGE
    if (p)
        madvise(p, mapped, MADV_HUGEPAGE);
#endif
    return p;
}

void UnmapLarge(void* p, size_t bytes)
{
    if (p)
        munmap(p, MappedSize(std::max<size_t>(bytes, 1)));
}

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes)
{
    if (g_allocLimit && bytes > g_allocLimit)
        return nullptr;
    auto* block = new GlobalBlock;
    block->mapped = bytes >= kMapFrom;
    block->bytes = block->mapped ? MapBytes(bytes) : static_cast<unsigned char*>(std::malloc(std::max<size_t>(bytes, 1)));
    if (!block->bytes) {
        delete block;
        return nullptr;
    }
    block->size = bytes;
    if ((flags & GMEM_ZEROINIT) && !block->mapped)
        std::memset(block->bytes, 0, bytes);
    return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL block, size_t bytes, unsigned flags)
{
    if (!block || (g_allocLimit && bytes > g_allocLimit))
        return nullptr;
    unsigned char* moved;
    if (block->mapped && bytes >= kMapFrom) {
        moved = Remap(block->bytes, block->size, bytes);
        if (!moved)
            return nullptr;
        // Bytes between the old size and the mapping's end may hold what a shrink left there.
        if (bytes > block->size && (flags & GMEM_ZEROINIT))
            std::memset(moved + block->size, 0, std::min(bytes, MappedSize(block->size)) - block->size);
    } else if (!block->mapped && bytes < kMapFrom) {
        moved = static_cast<unsigned char*>(std::realloc(block->bytes, std::max<size_t>(bytes, 1)));
        if (!moved)
            return nullptr;
        if ((flags & GMEM_ZEROINIT) && bytes > block->size)
            std::memset(moved + block->size, 0, bytes - block->size);
    } else {
        // Crossing between heap and mapping: copy.
        const bool mapped = bytes >= kMapFrom;
        moved = mapped ? MapBytes(bytes) : static_cast<unsigned char*>(std::malloc(std::max<size_t>(bytes, 1)));
        if (!moved)
            return nullptr;
        std::memcpy(moved, block->bytes, std::min(bytes, block->size));
        if ((flags & GMEM_ZEROINIT) && bytes > block->size && !mapped)
            std::memset(moved + block->size, 0, bytes - block->size);
        if (block->mapped)
            munmap(block->bytes, MappedSize(block->size));
        else
            std::free(block->bytes);
        block->mapped = mapped;
    }
    block->bytes = moved;
    block->size = bytes;
    return block;
}

void* GlobalLock(HGLOBAL block)
{
    if (!block)
        return nullptr;
    ++block->locks;
    return block->bytes;
}

bool GlobalUnlock(HGLOBAL block)
{
    if (!block || block->locks == 0)
        return false;
    return --block->locks > 0;
}

size_t GlobalSize(HGLOBAL block)
{
    return block ? block->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL block)
{
    if (block) {
        if (block->mapped)
            munmap(block->bytes, MappedSize(block->size));
        else
            std::free(block->bytes);
        delete block;
    }
    return nullptr;
}

void SetGlobalAllocLimit(size_t bytes)
{
    g_allocLimit = bytes;
}

void RegisterBinaryResource(int id, const void* data, size_t size)
{
    Overrides()[id] = Registered{data, size};
}

void ClearRegisteredResources()
{
    Overrides().clear();
}

HRSRC FindResourceA(HINSTANCE module, int id, const char* type)
{
    // Resource infos live as long as the process, like the resources themselves.
    static std::map<int, ResourceInfo> infos;
    if (!module || !type || std::strcmp(type, "BINARY") != 0)
        return nullptr;
    const void* data = nullptr;
    size_t size = 0;
    auto it = Overrides().find(id);
    if (it != Overrides().end()) {
        if (!it->second.data)
            return nullptr;
        data = it->second.data;
        size = it->second.size;
    } else if (!FindEmbeddedBinary(id, &data, &size)) {
        return nullptr;
    }
    ResourceInfo& info = infos[id];
    info = ResourceInfo{id, data, size};
    return &info;
}

const void* LoadResource(HINSTANCE module, HRSRC res)
{
    return module && res ? res->data : nullptr;
}

const void* LockResource(const void* loaded)
{
    return loaded;
}

uint32_t SizeofResource(HINSTANCE module, HRSRC res)
{
    return module && res ? static_cast<uint32_t>(res->size) : 0;
}

int LoadStringA(HINSTANCE module, unsigned id, char* buffer, int max)
{
    if (!buffer || max <= 0)
        return 0;
    buffer[0] = 0;
    const char* utf8 = module ? FindEmbeddedString(id) : nullptr;
    if (!utf8)
        return 0;
    const std::string text = Utf8ToCp932(utf8);
    size_t n = std::min(text.size(), static_cast<size_t>(max - 1));
    // Never end on the first byte of a two-byte character.
    size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        if (lead && i + 1 >= n)
            break;
        i += lead ? 2 : 1;
    }
    n = std::min(i, n);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}
