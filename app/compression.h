// At start-up, "uncomp.bin" in the working directory, when present, is compressed with zlib
// into "comp.bin" beside it.
#pragma once

void RunStartupCompression();
