#include "platform/dialog.h"

#include "platform/gdi.h"
#include "platform/system.h"
#include "platform/wnd.h"

#include <QChildEvent>
#include <QFontMetrics>
#include <QKeyEvent>

QSize DialogBaseUnits(const QFont& font)
{
    const QFontMetrics m(font);
    const int letters = m.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((letters / 26 + 1) / 2, m.height());
}

QFont DialogFont(const char* face, int points)
{
    QFont font(MapFaceName(face));
    const int dpi = GetSystemMetrics(SM_CXICON) * 3;
    font.setPixelSize(std::max(1, (points * dpi + 36) / 72));
    return font;
}

CDialog::CDialog(QWidget* owner, const char* face, int points, int widthDlu, int heightDlu)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint)
{
    setFont(DialogFont(face, points));
    m_base = DialogBaseUnits(font());
    setFixedSize(DluRect(0, 0, widthDlu, heightDlu).size());
    installEventFilter(this);
}

int CDialog::DoModal()
{
    setModal(true);
    return exec() == IDOK ? IDOK : IDCANCEL;
}

void CDialog::DestroyWindow()
{
    hide();
    deleteLater();
}

void CDialog::ShowWindow(int how)
{
    if (how == SW_HIDE)
        hide();
    else
        show();
}

QRect CDialog::DluRect(int x, int y, int width, int height) const
{
    auto px = [&](int v) { return (v * m_base.width() + 2) / 4; };
    auto py = [&](int v) { return (v * m_base.height() + 4) / 8; };
    return QRect(px(x), py(y), px(width), py(height));
}

bool CDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        unsigned vk = VirtualKeyOf(key->key());
        const unsigned before = vk;
        PreTranslateKey(vk);
        if (vk == 0 && before != 0) {
            event->accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDialog::childEvent(QChildEvent* event)
{
    // Every control's keys pass the dialog first, as they would through its message loop.
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    QDialog::childEvent(event);
}
