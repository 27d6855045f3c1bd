#include "geodata/inflate.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <zlib.h>

namespace {

// One stream for the process, set up and released by every call.
z_stream g_stream;

// Enlarges the block by piece bytes (zero-filled) and locks it again at its new address.
bool Grow(HGLOBAL& block, int32_t& blockSize, int64_t piece, unsigned char*& bytes)
{
    if (static_cast<int64_t>(blockSize) + piece > std::numeric_limits<int32_t>::max())
        return false;
    GlobalUnlock(block);
    HGLOBAL grown = GlobalReAlloc(block, static_cast<size_t>(blockSize + piece), GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!grown) {
        bytes = static_cast<unsigned char*>(GlobalLock(block));
        return false;
    }
    block = grown;
    blockSize = static_cast<int32_t>(blockSize + piece);
    bytes = static_cast<unsigned char*>(GlobalLock(block));
    return bytes != nullptr;
}

} // namespace

bool InflateResource(uint16_t id, HGLOBAL& block, int32_t& blockSize)
{
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    if (!bytes)
        return false;
    const size_t cleared = blockSize > 0 ? std::min<size_t>(static_cast<size_t>(blockSize), GlobalSize(block)) : 0;
    std::memset(bytes, 0, cleared);

    auto fail = [&](bool streamOpen, unsigned char* work) {
        if (streamOpen)
            inflateEnd(&g_stream);
        std::free(work);
        GlobalUnlock(block);
        return false;
    };

    if (!g_hInstance)
        return fail(false, nullptr);
    HRSRC res = FindResourceA(g_hInstance, id, "BINARY");
    const void* loaded = res ? LoadResource(g_hInstance, res) : nullptr;
    const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
    if (!data)
        return fail(false, nullptr);
    const uint32_t S = SizeofResource(g_hInstance, res);

    g_stream = z_stream{};
    if (inflateInit(&g_stream) != Z_OK)
        return fail(false, nullptr);
    const int64_t W = 2 * static_cast<int64_t>(S);
    if (W <= 0 || W > std::numeric_limits<int32_t>::max())
        return fail(true, nullptr);
    auto* work = static_cast<unsigned char*>(std::calloc(static_cast<size_t>(W), 1));
    if (!work)
        return fail(true, nullptr);

    int64_t written = 0;
    g_stream.next_in = const_cast<unsigned char*>(data);
    g_stream.avail_in = S;
    for (;;) {
        g_stream.next_out = work;
        g_stream.avail_out = static_cast<uInt>(W);
        const int result = inflate(&g_stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            const int64_t n = W - g_stream.avail_out;
            if (n > 0) {
                if (blockSize < written + n && !Grow(block, blockSize, n, bytes))
                    return fail(true, work);
                std::memcpy(bytes + written, work, static_cast<size_t>(n));
            }
            std::free(work);
            const bool ended = inflateEnd(&g_stream) == Z_OK;
            GlobalUnlock(block);
            return ended;
        }
        if (result != Z_OK || g_stream.avail_out != 0)
            return fail(true, work);
        if (blockSize < written + W && !Grow(block, blockSize, W, bytes))
            return fail(true, work);
        std::memcpy(bytes + written, work, static_cast<size_t>(W));
        written += W;
    }
}
