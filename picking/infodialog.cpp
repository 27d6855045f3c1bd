#include "picking/infodialog.h"

#include "picking/filelist.h"
#include "platform/qtext.h"
#include "platform/system.h"

#include <QPalette>
#include <QPlainTextEdit>

CInfoDialog* g_infoWindow = nullptr;

CInfoDialog::CInfoDialog(QWidget* owner) : CDialog(owner, "MS UI Gothic", 10, 339, 77)
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    // Picks give the focus back to the map; the list takes it only when clicked.
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowTitle(QStringLiteral("該当する XMLファイル、それを含んでいる ZIPファイル"));
    m_edit = new QPlainTextEdit(this);
    m_edit->setGeometry(DluRect(0, 0, 339, 76));
    m_edit->setReadOnly(true);
    m_edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_edit->setFrameShape(QFrame::NoFrame);
    ApplyColors();
    // The template's position (0, 0) is the owner's client origin.
    if (owner)
        move(owner->mapToGlobal(QPoint(0, 0)));
    ShowWindow(SW_SHOW);
}

void CInfoDialog::ShowWindow(int how)
{
    if (how != SW_HIDE && !isVisible())
        m_shown.start();
    CDialog::ShowWindow(how);
}

bool CInfoDialog::event(QEvent* e)
{
    if (e->type() == QEvent::WindowActivate && m_shown.isValid() && m_shown.elapsed() < 500) {
        m_shown.invalidate();
        if (QWidget* owner = parentWidget())
            owner->activateWindow();
    }
    return CDialog::event(e);
}

CInfoDialog::~CInfoDialog()
{
    if (g_infoWindow == this)
        g_infoWindow = nullptr;
}

void CInfoDialog::SetText(const std::string& cp932)
{
    m_text = QStringFromCp932(cp932);
    // The edit shows lines; "\r" is not a character of its own there.
    QString shown = m_text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_edit->setPlainText(shown);
    ApplyColors();
}

void CInfoDialog::SetTitle(const std::string& cp932)
{
    setWindowTitle(QStringFromCp932(cp932));
    ApplyColors();
}

COLORREF CInfoDialog::TextColor() const
{
    return is5m ? RGB(139, 35, 35) : RGB(0, 0, 0);
}

void CInfoDialog::ApplyColors()
{
    const COLORREF c = TextColor();
    QPalette p = m_edit->palette();
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        p.setColor(g, QPalette::Text, QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
        p.setColor(g, QPalette::Base, Qt::white);
    }
    m_edit->setPalette(p);
}

void CInfoDialog::OnOK()
{
    Close();
}

void CInfoDialog::OnCancel()
{
    Close();
}

void CInfoDialog::Close()
{
    if (g_infoWindow == this)
        g_infoWindow = nullptr;
    DestroyWindow();
}

void SetFileListTitle(MeshCode code, bool is5m)
{
    if (!g_infoWindow)
        return;
    g_infoWindow->is5m = is5m;
    g_infoWindow->SetTitle(FileListTitle(code, is5m));
}
