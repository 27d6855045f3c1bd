// Dialogs as the program uses them: a template laid out in dialog units of its font, modal runs
// that end with IDOK or IDCANCEL, modeless windows that go away when closed, and a look at every
// key before the dialog's controls see it.
#pragma once

#include <QDialog>
#include <QRect>
#include <QSize>

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

// Pixels per four horizontal and eight vertical dialog units of a font: its average width of
// the Latin letters and its height.
QSize DialogBaseUnits(const QFont& font);
// The font of a dialog template: face and size in points at the screen's logical DPI.
QFont DialogFont(const char* face, int points);

class CDialog : public QDialog {
    Q_OBJECT
public:
    // owner: the window the dialog belongs to (it stays above it, modal runs disable it).
    CDialog(QWidget* owner, const char* face, int points, int widthDlu, int heightDlu);

    // Shows the dialog and waits until it ends; IDOK or IDCANCEL.
    int DoModal();
    void EndDialog(int result) { done(result); }
    // A modeless dialog: hides it, and deletes the object once its messages are done.
    void DestroyWindow();
    void ShowWindow(int how);
    // Control rectangles of the template, in dialog units.
    QRect DluRect(int x, int y, int width, int height) const;
    QSize BaseUnits() const { return m_base; }

protected:
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Sees every key press meant for the dialog or one of its controls first; setting vk to 0
    // takes the key away.
    virtual void PreTranslateKey(unsigned& vk) { (void)vk; }

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QSize m_base;
};
