#include "app/mainframe.h"

#include "geodata/geotypes.h"
#include "platform/kernel.h"
#include "platform/resources.h"
#include "projection/screenscale.h"
#include "view/view.h"

#include <QVBoxLayout>

CStatusBar* g_statusBar = nullptr;

const char* const kCaption = "\u3000Orbenil 国土地理院\u3000テセロ\u3000Ver 5.01";

namespace {
const unsigned kIndicators[] = {ID_SEPARATOR, 57347, 57346, 151};
}

void FrameSizeForScale(double scale, int& width, int& height)
{
    height = TruncToInt(600 * scale);
    width = height * 14 / 9;
}

CMainFrame::CMainFrame() : QWidget(nullptr)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(LoadIconResource(128));
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    // No menu, and the size follows the screen scale; position and style stay the defaults.
    cs.hasMenu = false;
    FrameSizeForScale(g_screenScale, cs.cx, cs.cy);
    resize(cs.cx, cs.cy);
    return true;
}

bool CMainFrame::OnCreate(CDocument* document)
{
    m_document = document;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = new CTesseloView(this);
    m_view->SetDocument(document);
    layout->addWidget(m_view, 1);

    g_hInstance = GetModuleHandle(nullptr);

    m_wndStatusBar = new CStatusBar(this);
    layout->addWidget(m_wndStatusBar, 0);
    if (!m_wndStatusBar->SetIndicators(kIndicators, 4))
        return false;
    m_wndStatusBar->SetPaneInfo(0, ID_SEPARATOR, SBPS_NOBORDERS | SBPS_STRETCH, 100);
    m_wndStatusBar->SetPaneInfo(2, 57346, SBPS_NORMAL, TruncToInt(300 * g_screenScale));
    m_wndStatusBar->SetPaneInfo(3, 151, SBPS_NORMAL, TruncToInt(80 * g_screenScale));
    char ready[64];
    LoadStringA(g_hInstance, 57345, ready, sizeof ready);
    m_wndStatusBar->SetPaneText(0, ready, false);
    m_wndStatusBar->SetBkColor(RGB(255, 255, 255));
    m_wndStatusBar->SetMinHeight(32);
    g_statusBar = m_wndStatusBar;
    m_view->SetStatusBar(m_wndStatusBar);
    return true;
}

void CMainFrame::RecalcLayout()
{
    if (QLayout* l = layout()) {
        l->setGeometry(QRect(QPoint(0, 0), size()));
        l->activate();
    }
    if (m_view)
        m_view->SyncSize();
}

void CMainFrame::OnUpdateFrameTitle(bool)
{
    setWindowTitle(QString::fromUtf8(kCaption));
}
