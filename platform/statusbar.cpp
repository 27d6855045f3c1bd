#include "platform/statusbar.h"

#include "platform/kernel.h"
#include "platform/qtext.h"
#include "platform/system.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <algorithm>

CStatusBar::CStatusBar(QWidget* parent) : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(2, 3, 2, 2);
    m_layout->setSpacing(2);
    setAutoFillBackground(true);
    SetBkColor(m_bk);
    // Panes that do not fit are cut off at the right; the bar never holds the window wide.
    m_layout->setSizeConstraint(QLayout::SetNoConstraint);
    // The panes' widths were made for the system's small interface face; the proportional IPA
    // face at 11 pixels per 96 dpi fits the readout into them.
    QFont face(QStringLiteral("IPAPGothic"));
    face.setPixelSize(std::max(9, GetSystemMetrics(SM_CXICON) * 11 / 32));
    setFont(face);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setMinimumWidth(0);
}

bool CStatusBar::SetIndicators(const unsigned* ids, int count)
{
    if (!ids || count <= 0)
        return false;
    for (Pane& p : m_panes)
        delete p.label;
    m_panes.clear();
    for (int i = 0; i < count; ++i) {
        Pane pane;
        pane.id = ids[i];
        pane.label = new QLabel(this);
        pane.label->setTextFormat(Qt::PlainText);
        pane.label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (pane.id != ID_SEPARATOR) {
            char text[512];
            LoadStringA(GetModuleHandle(nullptr), pane.id, text, sizeof text);
            pane.label->setText(QStringFromCp932(text));
            pane.width = QFontMetrics(pane.label->font()).horizontalAdvance(pane.label->text());
        }
        m_layout->addWidget(pane.label);
        m_panes.push_back(pane);
        ApplyPane(m_panes.back());
    }
    return true;
}

void CStatusBar::ApplyPane(Pane& pane)
{
    QLabel* l = pane.label;
    const bool borders = !(pane.style & SBPS_NOBORDERS);
    l->setFrameStyle(borders ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame);
    const int frame = borders ? 2 * l->frameWidth() + 4 : 0;
    if (pane.style & SBPS_STRETCH) {
        l->setMinimumWidth(pane.width + frame);
        l->setMaximumWidth(QWIDGETSIZE_MAX);
        l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        m_layout->setStretchFactor(l, 1);
    } else {
        l->setFixedWidth(pane.width + frame);
        l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        m_layout->setStretchFactor(l, 0);
    }
    l->setIndent(borders ? 2 : 0);
}

void CStatusBar::SetPaneInfo(int index, unsigned id, unsigned style, int width)
{
    if (index < 0 || index >= PaneCount())
        return;
    Pane& pane = m_panes[static_cast<size_t>(index)];
    pane.id = id;
    pane.style = style;
    pane.width = width;
    ApplyPane(pane);
}

void CStatusBar::GetPaneInfo(int index, unsigned& id, unsigned& style, int& width) const
{
    if (index < 0 || index >= PaneCount())
        return;
    const Pane& pane = m_panes[static_cast<size_t>(index)];
    id = pane.id;
    style = pane.style;
    width = pane.width;
}

bool CStatusBar::SetPaneText(int index, const char* text, bool update)
{
    if (index < 0 || index >= PaneCount() || !text)
        return false;
    QLabel* l = m_panes[static_cast<size_t>(index)].label;
    l->setText(QStringFromCp932(text));
    if (update && l->isVisible())
        l->repaint();
    return true;
}

QString CStatusBar::GetPaneText(int index) const
{
    if (index < 0 || index >= PaneCount())
        return {};
    return m_panes[static_cast<size_t>(index)].label->text();
}

QRect CStatusBar::PaneRect(int index) const
{
    if (index < 0 || index >= PaneCount())
        return {};
    return m_panes[static_cast<size_t>(index)].label->geometry();
}

void CStatusBar::SetBkColor(COLORREF color)
{
    m_bk = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
    setPalette(pal);
}

void CStatusBar::SetMinHeight(int pixels)
{
    setMinimumHeight(pixels);
}
