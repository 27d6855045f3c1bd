#include "geodata/inflate.h"

#include "geodata/adler32.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <zlib.h>

namespace {

// One stream for the process, set up and released by every call.
z_stream g_stream;

// Resizes the block (its bytes kept, the new ones zero) and locks it again.
bool Resize(HGLOBAL& block, int64_t size, unsigned char*& bytes)
{
    GlobalUnlock(block);
    HGLOBAL resized = GlobalReAlloc(block, static_cast<size_t>(size), GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (resized)
        block = resized;
    bytes = static_cast<unsigned char*>(GlobalLock(block));
    return resized && bytes;
}

// The Adler-32 value that ends a zlib stream, just before where reading stopped.
uint32_t StoredCheck(const unsigned char* end)
{
    return uint32_t{end[-4]} << 24 | uint32_t{end[-3]} << 16 | uint32_t{end[-2]} << 8 | end[-1];
}

} // namespace

size_t BlockBytes(HGLOBAL block, int32_t blockSize)
{
    return std::min<size_t>(static_cast<size_t>(std::max(blockSize, 0)), GlobalSize(block));
}

// Inflation writes straight into the block: each piece of the stream (2 x S bytes, the size of
// the work buffer) lands at its place, and the block keeps exactly the size that copying the
// pieces through a work buffer would give it: it grows only for a piece that does not fit, by
// that piece. Every byte that no content reaches is zero on return, as if the block had been
// cleared first.
bool InflateResource(uint16_t id, HGLOBAL& block, int32_t& blockSize)
{
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    if (!bytes)
        return false;
    int64_t written = 0;
    bool streamOpen = false;
    // Bytes from grownFrom on came with growth: zero unless inflation reached them (touched).
    const size_t grownFrom = BlockBytes(block, blockSize);
    int64_t touched = 0;
    auto finish = [&](bool ok) {
        const size_t size = std::min(BlockBytes(block, blockSize), std::max(grownFrom, static_cast<size_t>(touched)));
        if (static_cast<size_t>(written) < size)
            std::memset(bytes + written, 0, size - static_cast<size_t>(written));
        if (streamOpen && inflateEnd(&g_stream) != Z_OK)
            ok = false;
        GlobalUnlock(block);
        return ok;
    };

    if (!g_hInstance)
        return finish(false);
    HRSRC res = FindResourceA(g_hInstance, id, "BINARY");
    const void* loaded = res ? LoadResource(g_hInstance, res) : nullptr;
    const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
    if (!data)
        return finish(false);
    const uint32_t S = SizeofResource(g_hInstance, res);

    g_stream = z_stream{};
    if (inflateInit(&g_stream) != Z_OK)
        return finish(false);
    streamOpen = true;
    // The stream's check is made here, over each piece while it is fresh, and compared with the
    // stream's last four bytes: zlib's own is several times slower.
    inflateValidate(&g_stream, 0);
    uint32_t check = 1;  // Adler-32 of nothing
    const int64_t W = 2 * static_cast<int64_t>(S);
    if (W <= 0 || W > std::numeric_limits<uInt>::max())
        return finish(false);

    g_stream.next_in = const_cast<unsigned char*>(data);
    g_stream.avail_in = S;
    for (;;) {
        // Room for a whole piece; the size is settled once the piece's length is known.
        const int64_t before = blockSize;
        const bool grown = before < written + W;
        if (grown && (before + W > std::numeric_limits<int32_t>::max() || !Resize(block, before + W, bytes)))
            return finish(false);
        g_stream.next_out = bytes + written;
        g_stream.avail_out = static_cast<uInt>(W);
        const int result = inflate(&g_stream, Z_NO_FLUSH);
        const int64_t n = W - g_stream.avail_out;
        touched = written + n;
        check = Adler32(check, bytes + written, static_cast<size_t>(n));
        if (result == Z_STREAM_END && check == StoredCheck(g_stream.next_in)) {
            const int64_t size = before < written + n ? before + n : before;
            if (grown && size != before + W && !Resize(block, size, bytes))
                return finish(false);
            blockSize = static_cast<int32_t>(size);
            written += n;
            return finish(true);
        }
        if (result == Z_OK && g_stream.avail_out == 0) {
            blockSize = static_cast<int32_t>(grown ? before + W : before);
            written += W;
            continue;
        }
        // A broken, cut-off or altered stream: the piece is not kept, nor the room made for it.
        if (grown)
            Resize(block, before, bytes);
        return finish(false);
    }
}
