#include "geodata/adler32.h"

#include <algorithm>
#include <zlib.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSELO_ADLER_AVX2 1
#endif

namespace {

constexpr uint32_t kBase = 65521;
// The longest run whose sums fit in 32 bits before they are reduced (zlib's NMAX is 5552),
// cut to whole 32-byte steps.
constexpr size_t kRun = 5536;

#ifdef TESSELO_ADLER_AVX2
__attribute__((target("avx2"))) uint32_t LaneSum(__m256i v)
{
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4e));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xb1));
    return static_cast<uint32_t>(_mm_cvtsi128_si32(s));
}

// 32 bytes a step: s1 gains their sum, s2 gains 32 x s1 before the step plus the bytes weighted
// 32 down to 1. Both are kept spread over the lanes and reduced once per run.
__attribute__((target("avx2"))) uint32_t Adler32Avx2(uint32_t adler, const unsigned char* p, size_t n)
{
    uint32_t s1 = adler & 0xffff;
    uint32_t s2 = adler >> 16;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15,
                                             14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    const __m256i ones = _mm256_set1_epi16(1);
    while (n >= 32) {
        size_t run = std::min(n, kRun) & ~size_t{31};
        n -= run;
        __m256i v1 = _mm256_setr_epi32(static_cast<int>(s1), 0, 0, 0, 0, 0, 0, 0);
        __m256i v2 = _mm256_setr_epi32(static_cast<int>(s2), 0, 0, 0, 0, 0, 0, 0);
        __m256i before = zero;
        for (; run; run -= 32, p += 32) {
            const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
            before = _mm256_add_epi32(before, v1);
            v1 = _mm256_add_epi32(v1, _mm256_sad_epu8(bytes, zero));
            v2 = _mm256_add_epi32(v2, _mm256_madd_epi16(_mm256_maddubs_epi16(bytes, weights), ones));
        }
        v2 = _mm256_add_epi32(v2, _mm256_slli_epi32(before, 5));
        s1 = LaneSum(v1) % kBase;
        s2 = LaneSum(v2) % kBase;
    }
    for (; n; --n) {
        s1 += *p++;
        s2 += s1;
    }
    return (s2 % kBase) << 16 | (s1 % kBase);
}
#endif

} // namespace

uint32_t Adler32(uint32_t adler, const unsigned char* bytes, size_t size)
{
#ifdef TESSELO_ADLER_AVX2
    // Start values outside the reduced range are left to zlib itself.
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2 && (adler & 0xffff) < kBase && (adler >> 16) < kBase)
        return Adler32Avx2(adler, bytes, size);
#endif
    uint32_t value = adler;
    do {
        const uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        value = static_cast<uint32_t>(adler32(value, bytes, n));
        bytes += n;
        size -= n;
    } while (size);
    return value;
}
