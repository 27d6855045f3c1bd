// What the executable carries: the string table and the "BINARY" data sets, by id.
#pragma once

#include <cstddef>

// UTF-8 text of a string-table entry, or null.
const char* FindEmbeddedString(unsigned id);
// Bytes of an embedded "BINARY" resource, exactly as stored (raw or one zlib stream).
bool FindEmbeddedBinary(int id, const void** data, size_t* size);
