#include "render/memdc.h"

IMemDC::IMemDC(CDC* target) : m_target(target)
{
    target->GetClipBox(&m_area);
    CreateCompatibleDC(target);
    m_buffer.CreateCompatibleBitmap(target, m_area.right - m_area.left, m_area.bottom - m_area.top);
    m_previous = SelectObject(&m_buffer);
    SetWindowOrg(m_area.left, m_area.top);
}

IMemDC::~IMemDC()
{
    if (m_offscreen)
        m_target->BitBlt(m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top, this,
                         m_area.left, m_area.top, SRCCOPY);
    SelectObject(m_previous);
    m_buffer.DeleteObject();
    DeleteDC();
}
