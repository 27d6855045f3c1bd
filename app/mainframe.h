// The main window: the map view above a four-pane status bar, no menu, no toolbar.
#pragma once

#include "platform/statusbar.h"

#include <QWidget>

class CTesseloView;
class CDocument;

struct CREATESTRUCT {
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    bool hasMenu = true;
};

// The fixed caption: U+3000 at the start and before "テセロ" and "Ver 5.01".
extern const char* const kCaption;

class CMainFrame : public QWidget {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    bool PreCreateWindow(CREATESTRUCT& cs);
    // Creates the view as the client and the status bar; false ends start-up.
    bool OnCreate(CDocument* document);
    // Runs whenever the title may have changed: the caption stays the fixed one.
    void OnUpdateFrameTitle(bool addToTitle);
    // Lays the client out and delivers the view's size, as the frame's layout does.
    void RecalcLayout();

    CTesseloView* View() const { return m_view; }
    CStatusBar& StatusBar() { return *m_wndStatusBar; }

private:
    CStatusBar* m_wndStatusBar = nullptr;
    CTesseloView* m_view = nullptr;
    CDocument* m_document = nullptr;
};

extern CStatusBar* g_statusBar;

// The window size of PreCreateWindow for a screen scale.
void FrameSizeForScale(double scale, int& width, int& height);
