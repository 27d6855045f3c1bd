#include "platform/wnd.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <QPaintEngine>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <system_error>
#include <thread>

namespace {
bool g_manualTimers = false;
}

CWnd::CWnd(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

CWnd::~CWnd()
{
    for (auto& [id, timer] : m_timers)
        delete timer;
}

void CWnd::SetFocus()
{
    if (QWidget* w = window(); w && !w->isActiveWindow())
        w->activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void CWnd::SetManualTimers(bool manual)
{
    g_manualTimers = manual;
}

void CWnd::InvalidateRect(const RECT*, bool erase)
{
    // Asked from inside the erase handler, the invalidation is covered by the paint under way.
    if (m_painting)
        return;
    m_invalid = true;
    m_erase = m_erase || erase;
    update();
}

void CWnd::ResizeSurface(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (m_surface.width() == width && m_surface.height() == height)
        return;
    QImage surface(width, height, QImage::Format_RGB32);
    surface.fill(0xFF000000u);
    if (!m_surface.isNull() && width > 0 && height > 0) {
        QPainter p(&surface);
        p.drawImage(0, 0, m_surface);
    }
    m_surface = surface;
}

void CWnd::PaintNow()
{
    if (!m_invalid)
        return;
    ResizeSurface(width(), height());
    const bool erase = m_erase;
    m_invalid = false;
    m_erase = false;
    if (m_surface.isNull())
        return;
    CDC dc(&m_surface);
    dc.SetDeviceClip(RECT{0, 0, m_surface.width(), m_surface.height()});
    m_painting = true;
    if (erase)
        OnEraseBkgnd(&dc);
    m_painting = false;
    OnPaint(&dc);
}

void CWnd::UpdateWindow()
{
    if (!m_invalid)
        return;
    PaintNow();
    if (isVisible())
        repaint();
}

bool CWnd::OnEraseBkgnd(CDC* dc)
{
    RECT r;
    GetClientRect(&r);
    dc->FillSolidRect(r, RGB(255, 255, 255));
    return true;
}

namespace {

// From about a 1280 x 800 window on, the frame is copied to the window's backing image on both
// cores where that image is plain 32-bit RGB, unscaled, and the paint not clipped to a region.
constexpr qint64 kShareCopyFromPixels = 1 << 20;

bool CopyOnBothCores(QPainter& p, const QImage& frame)
{
    if (qint64{frame.width()} * frame.height() < kShareCopyFromPixels || std::thread::hardware_concurrency() < 2)
        return false;
    QPaintEngine* engine = p.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image)
        return false;
    auto* target = static_cast<QImage*>(device);
    const QTransform t = p.deviceTransform();
    if (target->format() != QImage::Format_RGB32 || frame.format() != QImage::Format_RGB32 ||
        target->devicePixelRatio() != 1.0 || frame.devicePixelRatio() != 1.0 || t.type() > QTransform::TxTranslate ||
        t.dx() != std::floor(t.dx()) || t.dy() != std::floor(t.dy()))
        return false;
    const QPoint offset(static_cast<int>(t.dx()), static_cast<int>(t.dy()));
    QRect area = QRect(offset, frame.size()) & target->rect();
    const QRegion clip = engine->systemClip();
    if (!clip.isEmpty()) {
        if (clip.rectCount() != 1)
            return false;
        area &= clip.boundingRect();
    }
    if (area.isEmpty())
        return true;
    p.end();
    const int width = area.width();
    const auto copy = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            std::memcpy(target->scanLine(y) + area.left() * 4,
                        frame.constScanLine(y - offset.y()) + (area.left() - offset.x()) * 4,
                        static_cast<size_t>(width) * 4);
    };
    const int middle = area.top() + area.height() / 2;
    // scanLine detaches once, here, not on two threads at once.
    target->bits();
    std::thread lower;
    try {
        lower = std::thread(copy, middle, area.bottom() + 1);
    } catch (const std::system_error&) {
        copy(middle, area.bottom() + 1);  // no thread to be had
    }
    copy(area.top(), middle);
    if (lower.joinable())
        lower.join();
    return true;
}

} // namespace

void CWnd::paintEvent(QPaintEvent*)
{
    PaintNow();
    QPainter p(this);
    if (!CopyOnBothCores(p, m_surface))
        p.drawImage(0, 0, m_surface);
}

void CWnd::GetClientRect(RECT* r) const
{
    if (r)
        *r = RECT{0, 0, width(), height()};
}

void CWnd::ScreenToClient(POINT* p) const
{
    if (!p)
        return;
    const QPoint local = mapFromGlobal(QPoint(p->x, p->y));
    *p = {local.x(), local.y()};
}

void CWnd::ClientToScreen(POINT* p) const
{
    if (!p)
        return;
    const QPoint global = mapToGlobal(QPoint(p->x, p->y));
    *p = {global.x(), global.y()};
}

unsigned CWnd::SetTimer(unsigned id, unsigned milliseconds)
{
    KillTimer(id);
    auto* timer = new QTimer(this);
    timer->setInterval(static_cast<int>(milliseconds));
    connect(timer, &QTimer::timeout, this, [this, id] { OnTimer(id); });
    m_timers[id] = timer;
    if (!g_manualTimers)
        timer->start();
    return id;
}

bool CWnd::KillTimer(unsigned id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return false;
    it->second->stop();
    it->second->deleteLater();
    m_timers.erase(it);
    return true;
}

bool CWnd::FireTimer(unsigned id)
{
    if (!HasTimer(id))
        return false;
    OnTimer(id);
    return true;
}

CDC* CWnd::GetDC()
{
    ResizeSurface(width(), height());
    m_windowDC = std::make_unique<CDC>(&m_surface);
    m_windowDC->SetDeviceClip(RECT{0, 0, m_surface.width(), m_surface.height()});
    return m_windowDC.get();
}

void CWnd::ReleaseDC(CDC* dc)
{
    if (dc != m_windowDC.get())
        return;
    m_windowDC.reset();
    if (isVisible())
        repaint();
}

void CWnd::SyncSize()
{
    if (size() == m_deliveredSize)
        return;
    m_deliveredSize = size();
    ResizeSurface(width(), height());
    OnSize(SIZE_RESTORED, width(), height());
    // Redrawn whole at its new size, erased first, as a window of the default class is.
    InvalidateRect(nullptr, true);
}

void CWnd::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    SyncSize();
}

unsigned MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    unsigned flags = 0;
    if (buttons & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        flags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MK_CONTROL;
    return flags;
}

unsigned VirtualKeyOf(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return static_cast<unsigned>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<unsigned>('0' + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Alt:
        return VK_MENU;
    default:
        return 0;
    }
}

static POINT PointOf(const QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    return {p.x(), p.y()};
}

void CWnd::mouseMoveEvent(QMouseEvent* e)
{
    OnMouseMove(MouseKeyFlags(e->buttons(), e->modifiers()), PointOf(e));
}

void CWnd::mousePressEvent(QMouseEvent* e)
{
    const unsigned flags = MouseKeyFlags(e->buttons(), e->modifiers());
    if (e->button() == Qt::LeftButton)
        OnLButtonDown(flags, PointOf(e));
    else if (e->button() == Qt::RightButton)
        OnRButtonDown(flags, PointOf(e));
    else if (e->button() == Qt::MiddleButton)
        OnMButtonDown(flags, PointOf(e));
}

void CWnd::mouseReleaseEvent(QMouseEvent* e)
{
    const unsigned flags = MouseKeyFlags(e->buttons(), e->modifiers());
    if (e->button() == Qt::LeftButton)
        OnLButtonUp(flags, PointOf(e));
    else if (e->button() == Qt::RightButton)
        OnRButtonUp(flags, PointOf(e));
    else if (e->button() == Qt::MiddleButton)
        OnMButtonUp(flags, PointOf(e));
}

void CWnd::mouseDoubleClickEvent(QMouseEvent* e)
{
    // The second press of a double-click arrives as the double-click message alone.
    const unsigned flags = MouseKeyFlags(e->buttons(), e->modifiers());
    if (e->button() == Qt::LeftButton)
        OnLButtonDblClk(flags, PointOf(e));
    else if (e->button() == Qt::RightButton)
        OnRButtonDblClk(flags, PointOf(e));
    else if (e->button() == Qt::MiddleButton)
        OnMButtonDblClk(flags, PointOf(e));
}

void CWnd::wheelEvent(QWheelEvent* e)
{
    int delta = e->angleDelta().y();
    if (delta == 0)
        delta = e->angleDelta().x();
    delta = std::clamp(delta, -32768, 32767);
    const QPoint g = e->globalPosition().toPoint();
    OnMouseWheel(MouseKeyFlags(e->buttons(), e->modifiers()), static_cast<short>(delta), POINT{g.x(), g.y()});
    e->accept();
}

void CWnd::keyPressEvent(QKeyEvent* e)
{
    OnKeyDown(VirtualKeyOf(e->key()), 1, e->isAutoRepeat() ? 0x4000u : 0u);
}
