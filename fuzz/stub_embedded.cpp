// The fuzzers bring their own resources.
#include "resources/resource_table.h"

bool FindEmbeddedBinary(int, const void**, size_t*)
{
    return false;
}
