#include "app/document.h"

#include <cstdio>

bool CTesseloDoc::OnOpenDocument(const char* path)
{
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f)
        return false;
    std::fclose(f);
    SetPathName(path);
    return true;
}
