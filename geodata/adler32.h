// The Adler-32 check of zlib streams, many bytes at a time where the processor allows it.
#pragma once

#include <cstddef>
#include <cstdint>

// The same value as zlib's adler32(adler, bytes, size), for any start value below 2^32.
uint32_t Adler32(uint32_t adler, const unsigned char* bytes, size_t size);
