#include "app/compression.h"

#include <cstdio>
#include <zlib.h>

namespace {
constexpr unsigned kChunk = 1024;

const char* MessageOf(const z_stream& s)
{
    return s.msg ? s.msg : "???";
}
} // namespace

void RunStartupCompression()
{
    FILE* in = std::fopen("uncomp.bin", "rb");
    if (!in)
        return;
    FILE* out = std::fopen("comp.bin", "wb");
    if (!out) {
        std::fclose(in);
        return;
    }
    unsigned char inBuf[kChunk];
    unsigned char outBuf[kChunk];
    z_stream s{};
    if (deflateInit(&s, Z_DEFAULT_COMPRESSION) != Z_OK) {
        std::fprintf(stderr, "deflateInit: %s\n", MessageOf(s));
        std::fclose(in);
        std::fclose(out);
        return;
    }
    int flush = Z_NO_FLUSH;
    s.avail_in = 0;
    for (;;) {
        s.next_out = outBuf;
        s.avail_out = kChunk;
        int result;
        for (;;) {
            if (s.avail_in == 0) {
                const size_t n = std::fread(inBuf, 1, kChunk, in);
                s.next_in = inBuf;
                s.avail_in = static_cast<uInt>(n);
                if (n < kChunk)
                    flush = Z_FINISH;
            }
            result = deflate(&s, flush);
            if (result != Z_OK || s.avail_out == 0)
                break;
        }
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK) {
            std::fprintf(stderr, "deflate: %s\n", MessageOf(s));
            deflateEnd(&s);
            std::fclose(in);
            std::fclose(out);
            return;
        }
        if (std::fwrite(outBuf, 1, kChunk, out) < kChunk) {
            std::fprintf(stderr, "Write error\n");
            deflateEnd(&s);
            std::fclose(in);
            std::fclose(out);
            return;
        }
    }
    const size_t last = kChunk - s.avail_out;
    if (last > 0 && std::fwrite(outBuf, 1, last, out) < last) {
        std::fprintf(stderr, "Write error\n");
        deflateEnd(&s);
        std::fclose(in);
        std::fclose(out);
        return;
    }
    if (deflateEnd(&s) != Z_OK)
        std::fprintf(stderr, "deflateEnd: %s\n", MessageOf(s));
    std::fclose(in);
    std::fclose(out);
}
