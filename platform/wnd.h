// Windows as the view expects them: window messages as virtual handlers, invalidation and an
// update that paints before it returns, timers by identifier, a context on the window itself.
#pragma once

#include "platform/gdi.h"
#include "platform/wintypes.h"

#include <QImage>
#include <QWidget>
#include <map>
#include <memory>

class QTimer;

class CWnd : public QWidget {
    Q_OBJECT
public:
    explicit CWnd(QWidget* parent = nullptr);
    ~CWnd() override;

    // Marks the whole client area for repainting (a rectangle is widened to the whole area:
    // every frame covers it all). With erase, the erase-background handler runs first.
    void InvalidateRect(const RECT* rect, bool erase);
    void Invalidate(bool erase = true) { InvalidateRect(nullptr, erase); }
    // Paints now when the window is marked, so the new frame is shown when this returns.
    void UpdateWindow();
    bool IsInvalid() const { return m_invalid; }

    void GetClientRect(RECT* r) const;
    void ScreenToClient(POINT* p) const;
    void ClientToScreen(POINT* p) const;

    unsigned SetTimer(unsigned id, unsigned milliseconds);
    bool KillTimer(unsigned id);
    bool HasTimer(unsigned id) const { return m_timers.count(id) != 0; }
    // Delivers the timer message of id, as if it had fired; false when no such timer is set.
    bool FireTimer(unsigned id);
    // Scripted runs and tests: timers are kept but never fire by themselves.
    static void SetManualTimers(bool manual);

    // A context that draws on the window itself, over the frame last shown; the next repaint
    // of the window removes what it drew.
    CDC* GetDC();
    void ReleaseDC(CDC* dc);

    // Takes the keyboard focus, activating the window it is in.
    void SetFocus();
    // What the window shows now.
    const QImage& Surface() const { return m_surface; }
    // Delivers the size message for the widget's current size if it has not been delivered.
    void SyncSize();

protected:
    virtual void OnPaint(CDC*) {}
    virtual bool OnEraseBkgnd(CDC* dc);
    virtual void OnSize(unsigned, int, int) {}
    virtual void OnMouseMove(unsigned, POINT) {}
    virtual bool OnMouseWheel(unsigned, short, POINT) { return false; }
    virtual void OnLButtonDown(unsigned, POINT) {}
    virtual void OnLButtonUp(unsigned, POINT) {}
    virtual void OnLButtonDblClk(unsigned, POINT) {}
    virtual void OnRButtonDown(unsigned, POINT) {}
    virtual void OnRButtonUp(unsigned, POINT) {}
    virtual void OnRButtonDblClk(unsigned, POINT) {}
    virtual void OnMButtonDown(unsigned, POINT) {}
    virtual void OnMButtonUp(unsigned, POINT) {}
    virtual void OnMButtonDblClk(unsigned, POINT) {}
    virtual void OnTimer(unsigned) {}
    virtual void OnKeyDown(unsigned, unsigned, unsigned) {}

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PaintNow();
    void ResizeSurface(int width, int height);

    QImage m_surface;
    bool m_invalid = true;
    bool m_erase = true;
    bool m_painting = false;
    QSize m_deliveredSize{-1, -1};
    std::map<unsigned, QTimer*> m_timers;
    std::unique_ptr<CDC> m_windowDC;
};

// Key flags of a mouse message from Qt's button and modifier state.
unsigned MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
// Virtual-key code of a Qt key (0 when it has none that the program knows).
unsigned VirtualKeyOf(int qtKey);

class CDocument {
public:
    virtual ~CDocument() = default;
    virtual bool OnNewDocument() { return true; }
    virtual bool OnOpenDocument(const char*) { return true; }
    const std::string& GetPathName() const { return m_path; }
    void SetPathName(const std::string& path) { m_path = path; }

private:
    std::string m_path;
};

// A view: the client window of a frame, drawn by OnDraw, with its document.
class CView : public CWnd {
    Q_OBJECT
public:
    explicit CView(QWidget* parent = nullptr) : CWnd(parent) {}
    CDocument* GetDocument() const { return m_document; }
    void SetDocument(CDocument* doc) { m_document = doc; }
    virtual void OnInitialUpdate() {}

protected:
    virtual void OnDraw(CDC*) {}
    void OnPaint(CDC* dc) override { OnDraw(dc); }

private:
    CDocument* m_document = nullptr;
};
