// The frame's context. A frame is drawn where the window shows nothing of it until the frame is
// done: straight into the window's own image when the target has one (no buffer to allocate, clear
// and copy), else into a buffer as large as the target's clip box that the destructor copies to
// the target in one operation.
#pragma once

#include "platform/gdi.h"

class IMemDC : public CDC {
public:
    explicit IMemDC(CDC* target);
    ~IMemDC() override;
    IMemDC(const IMemDC&) = delete;
    IMemDC& operator=(const IMemDC&) = delete;

    const RECT& Area() const { return m_area; }
    // Black, as a new buffer starts, everywhere in the area outside covered (client coordinates);
    // the window's image holds the last frame until the layers paint over it.
    void ClearOutside(const RECT& covered);

private:
    CBitmap m_buffer;
    CBitmap* m_previous = nullptr;
    CDC* m_target;
    RECT m_area;
    bool m_offscreen = true;
};
