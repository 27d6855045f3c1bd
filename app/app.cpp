#include "app/app.h"

#include "app/compression.h"
#include "platform/system.h"
#include "projection/screenscale.h"
#include "view/view.h"

#include <QApplication>
#include <QFont>
#include <clocale>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

void PrepareOffscreenEnvironment()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir = "/tmp/tesselo-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
}

void PrepareProcess()
{
    // Qt takes the environment's locale; numbers are formatted and read the C way.
    std::setlocale(LC_NUMERIC, "C");
    InitScreenScale();
    QFont ui(QStringLiteral("IPAPGothic"));
    ui.setPixelSize(std::max(9, ScaledSize(12)));
    QApplication::setFont(ui);
}

CTesseloApp::CTesseloApp() = default;

CTesseloApp::~CTesseloApp()
{
    // The view goes with its frame; the frame before the document it shows.
    m_frame.reset();
    m_document.reset();
}

bool CTesseloApp::InitInstance(const QStringList& args)
{
    // The framework keeps a profile under the application's key; the program stores no
    // settings of its own, so there is nothing to keep.
    m_document = std::make_unique<CTesseloDoc>();
    if (!args.isEmpty()) {
        const QByteArray path = args.front().toLocal8Bit();
        if (!m_document->OnOpenDocument(path.constData())) {
            MessageBox("ドキュメントを開けませんでした。\n" + path.toStdString(), "Tesselo", MB_OK | MB_ICONEXCLAMATION);
            m_document.reset();
            return false;
        }
    } else if (!m_document->OnNewDocument()) {
        return false;
    }

    m_frame = std::make_unique<CMainFrame>();
    CREATESTRUCT cs;
    if (!m_frame->PreCreateWindow(cs) || !m_frame->OnCreate(m_document.get())) {
        m_frame.reset();
        return false;
    }
    m_frame->RecalcLayout();
    m_frame->View()->OnInitialUpdate();
    m_frame->OnUpdateFrameTitle(true);

    m_frame->show();
    m_frame->RecalcLayout();
    m_frame->View()->UpdateWindow();

    RunStartupCompression();
    return true;
}

bool CTesseloApp::OnFileNew()
{
    if (!m_document || !m_document->OnNewDocument())
        return false;
    m_document->SetPathName("");
    if (m_frame)
        m_frame->OnUpdateFrameTitle(true);
    return true;
}

bool CTesseloApp::OpenDocumentFile(const char* path)
{
    if (!m_document || !m_document->OnOpenDocument(path))
        return false;
    if (m_frame)
        m_frame->OnUpdateFrameTitle(true);
    return true;
}
