// The document holds nothing: a new one always succeeds, opening reads nothing.
#pragma once

#include "platform/wnd.h"

class CTesseloDoc : public CDocument {
public:
    bool OnNewDocument() override { return true; }
    // Opens the file to see that it can be opened, and reads nothing from it.
    bool OnOpenDocument(const char* path) override;
};
