// The file list window: one read-only text of the last pick, titled with its mesh code, above
// every other window. At most one exists; it deletes itself when the user closes it.
#pragma once

#include "geodata/geotypes.h"
#include "platform/dialog.h"
#include "platform/wintypes.h"

#include <QElapsedTimer>
#include <QString>
#include <string>

class QPlainTextEdit;

class CInfoDialog : public CDialog {
    Q_OBJECT
public:
    // Creates the window at once, visible, at the owner's client origin.
    explicit CInfoDialog(QWidget* owner);
    ~CInfoDialog() override;

    // CP932 text with "\r\n" line ends; replaces the whole text.
    void SetText(const std::string& cp932);
    // The text as set, line ends and all.
    const QString& Text() const { return m_text; }
    void SetTitle(const std::string& cp932);
    QPlainTextEdit* Edit() const { return m_edit; }
    // The colour the list is written in: dark red for 5 m lists, black for 10 m.
    COLORREF TextColor() const;

    bool is5m = false;

    // Shows the window without keeping the focus from its owner.
    void ShowWindow(int how);

protected:
    bool event(QEvent* e) override;
    void OnOK() override;
    void OnCancel() override;

private:
    void Close();
    void ApplyColors();

    QPlainTextEdit* m_edit;
    QString m_text;
    // When the window was last shown by the program: an activation that follows at once came
    // from the showing, not from the user, and goes back to the owner.
    QElapsedTimer m_shown;
};

extern CInfoDialog* g_infoWindow;

// Sets the edition of an existing window and titles it with the code.
void SetFileListTitle(MeshCode code, bool is5m);
