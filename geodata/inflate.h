// Inflation of a compressed "BINARY" resource into a growable block that the caller owns.
#pragma once

#include "platform/kernel.h"

#include <cstdint>

// True when the resource was found and inflated completely. The block is cleared over its whole
// blockSize first; it grows only when the next piece does not fit, by exactly that piece, and
// every byte after the content is zero. After a failure the block keeps what was copied.
bool InflateResource(uint16_t id, HGLOBAL& block, int32_t& blockSize);

// The bytes of the block that blockSize stands for (never more than the block has).
size_t BlockBytes(HGLOBAL block, int32_t blockSize);
