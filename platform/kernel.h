// Module resources and movable memory blocks, as the loaders use them. Plain C++, no Qt.
#pragma once

#include <cstddef>
#include <cstdint>

using HINSTANCE = const void*;
struct GlobalBlock;
using HGLOBAL = GlobalBlock*;
struct ResourceInfo;
using HRSRC = const ResourceInfo*;

// The module whose resources the loaders read; recorded by the main frame when it is created.
extern HINSTANCE g_hInstance;
HINSTANCE GetModuleHandle(const char* name);

constexpr unsigned GMEM_FIXED = 0x0000;
constexpr unsigned GMEM_MOVEABLE = 0x0002;
constexpr unsigned GMEM_ZEROINIT = 0x0040;

HGLOBAL GlobalAlloc(unsigned flags, size_t bytes);
HGLOBAL GlobalReAlloc(HGLOBAL block, size_t bytes, unsigned flags);
void* GlobalLock(HGLOBAL block);
bool GlobalUnlock(HGLOBAL block);
size_t GlobalSize(HGLOBAL block);
HGLOBAL GlobalFree(HGLOBAL block);
// Memory for large arrays filled once: whole huge pages, taken as they are first written.
// Fresh memory costs mostly per page. MapLarge gives null when the system has none.
void* MapLarge(size_t bytes);
void UnmapLarge(void* p, size_t bytes);
// Tests: allocations above this many bytes fail (0 = no limit).
void SetGlobalAllocLimit(size_t bytes);

// Resources of type "BINARY" by numeric id.
HRSRC FindResourceA(HINSTANCE module, int id, const char* type);
const void* LoadResource(HINSTANCE module, HRSRC res);
const void* LockResource(const void* loaded);
uint32_t SizeofResource(HINSTANCE module, HRSRC res);
// Tests put hand-made resources in place of (or beside) the embedded ones. A null data pointer
// with size 0 hides the id.
void RegisterBinaryResource(int id, const void* data, size_t size);
void ClearRegisteredResources();

// String table: the text of id as CP932 bytes, at most max - 1 of them and a terminating zero.
// Returns the number of bytes copied, 0 when there is no such string.
int LoadStringA(HINSTANCE module, unsigned id, char* buffer, int max);
