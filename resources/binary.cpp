// The embedded "BINARY" data sets. None is linked in yet.
#include "resources/resource_table.h"

bool FindEmbeddedBinary(int, const void**, size_t*)
{
    return false;
}
