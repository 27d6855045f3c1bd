#include "render/memdc.h"

#include <algorithm>

IMemDC::IMemDC(CDC* target) : CDC(target->Surface()), m_target(target)
{
    target->GetClipBox(&m_area);
    if (Surface()) {
        m_offscreen = false;
        CDC::Pixels ended;
        target->GetPixels(&ended);  // ends any painting of the target's: one painter per image
        const POINT o = target->GetWindowOrg();
        SetDeviceClip(RECT{m_area.left - o.x, m_area.top - o.y, m_area.right - o.x, m_area.bottom - o.y});
        SetWindowOrg(o.x, o.y);
        return;
    }
    CreateCompatibleDC(target);
    m_buffer.CreateCompatibleBitmap(target, m_area.right - m_area.left, m_area.bottom - m_area.top);
    m_previous = SelectObject(&m_buffer);
    SetWindowOrg(m_area.left, m_area.top);
}

IMemDC::~IMemDC()
{
    if (!m_offscreen)
        return;
    m_target->BitBlt(m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top, this,
                     m_area.left, m_area.top, SRCCOPY);
    SelectObject(m_previous);
    m_buffer.DeleteObject();
    DeleteDC();
}

void IMemDC::ClearOutside(const RECT& covered)
{
    if (m_offscreen)
        return;  // a new buffer is black already
    const RECT& a = m_area;
    const RECT c{std::clamp(covered.left, a.left, a.right), std::clamp(covered.top, a.top, a.bottom),
                 std::clamp(covered.right, a.left, a.right), std::clamp(covered.bottom, a.top, a.bottom)};
    if (c.left >= c.right || c.top >= c.bottom) {
        FillSolidRect(a, RGB(0, 0, 0));
        return;
    }
    FillSolidRect(RECT{a.left, a.top, a.right, c.top}, RGB(0, 0, 0));
    FillSolidRect(RECT{a.left, c.bottom, a.right, a.bottom}, RGB(0, 0, 0));
    FillSolidRect(RECT{a.left, c.top, c.left, c.bottom}, RGB(0, 0, 0));
    FillSolidRect(RECT{c.right, c.top, a.right, c.bottom}, RGB(0, 0, 0));
}
