// The application: one document type, one frame, one view.
#pragma once

#include "app/document.h"
#include "app/mainframe.h"

#include <QStringList>
#include <memory>

class CTesseloApp {
public:
    CTesseloApp();
    ~CTesseloApp();

    // Start-up, up to the message loop; false ends the application. args are the command-line
    // arguments after the program name.
    bool InitInstance(const QStringList& args);
    // The framework's document commands; the caption stays fixed through all of them.
    bool OnFileNew();
    bool OpenDocumentFile(const char* path);

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CTesseloDoc* Document() const { return m_document.get(); }

private:
    std::unique_ptr<CTesseloDoc> m_document;
    std::unique_ptr<CMainFrame> m_frame;
};

// Before the Qt application object exists: the off-screen platform unless another is asked for,
// and a private runtime directory when the environment has none.
void PrepareOffscreenEnvironment();

// The locale, screen-scale globals and interface font that every run starts from, after the
// Qt application object exists.
void PrepareProcess();
