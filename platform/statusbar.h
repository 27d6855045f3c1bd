// A status bar of panes, as the main frame sets it up: indicators by string id, pane styles and
// widths, texts in CP932.
#pragma once

#include "platform/wintypes.h"

#include <QWidget>
#include <string>
#include <vector>

class QLabel;
class QHBoxLayout;

constexpr unsigned SBPS_NORMAL = 0x0000;
constexpr unsigned SBPS_NOBORDERS = 0x0100;
constexpr unsigned SBPS_POPOUT = 0x0200;
constexpr unsigned SBPS_STRETCH = 0x0800;
constexpr unsigned ID_SEPARATOR = 0;

class CStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit CStatusBar(QWidget* parent = nullptr);

    // One pane per id; a pane's text is the string of its id (none for ID_SEPARATOR) and its
    // width the width of that text.
    bool SetIndicators(const unsigned* ids, int count);
    void SetPaneInfo(int index, unsigned id, unsigned style, int width);
    void GetPaneInfo(int index, unsigned& id, unsigned& style, int& width) const;
    // CP932 text. With update, the pane is repainted before this returns.
    bool SetPaneText(int index, const char* text, bool update = true);
    QString GetPaneText(int index) const;
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    // Pane geometry in the bar's coordinates.
    QRect PaneRect(int index) const;
    void SetBkColor(COLORREF color);
    COLORREF BkColor() const { return m_bk; }
    void SetMinHeight(int pixels);

private:
    struct Pane {
        unsigned id = 0;
        unsigned style = 0;
        int width = 0;
        QLabel* label = nullptr;
    };
    void ApplyPane(Pane& pane);

    std::vector<Pane> m_panes;
    QHBoxLayout* m_layout;
    COLORREF m_bk = RGB(240, 240, 240);
};
