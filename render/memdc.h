// The off-screen frame: drawing goes to a buffer as large as the target's clip box, and the
// destructor copies it to the target in one operation.
#pragma once

#include "platform/gdi.h"

class IMemDC : public CDC {
public:
    explicit IMemDC(CDC* target);
    ~IMemDC() override;
    IMemDC(const IMemDC&) = delete;
    IMemDC& operator=(const IMemDC&) = delete;

    const RECT& Area() const { return m_area; }

private:
    CBitmap m_buffer;
    CBitmap* m_previous = nullptr;
    CDC* m_target;
    RECT m_area;
    bool m_offscreen = true;
};
