// The jump dialog: latitude and longitude typed with a comma between them; the map centres on
// the point and marks it. Entries it cannot use are refused with a reason, and the map stays.
#pragma once

#include "platform/dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

class CJumpDialog : public CDialog {
    Q_OBJECT
public:
    explicit CJumpDialog(QWidget* owner);

    QLineEdit* Edit() const { return m_edit; }
    QPushButton* JumpButton() const { return m_jump; }
    // The line under the edit box: why the last entry was refused, empty otherwise.
    QString Message() const;

    // Set by the jump command: decimal degrees, -1.0 when unusable.
    double m_lat = -1.0;
    double m_lon = -1.0;

protected:
    // The "ジャンプ" command (the button or Enter): reads the entry; one that cannot be read or
    // lies outside the grid keeps the dialog open with the reason under the edit box.
    void OnOK() override;
    // Escape does nothing here: the button or the close box ends the dialog.
    void PreTranslateKey(unsigned& vk) override;
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_edit;
    QPushButton* m_jump;
    QLabel* m_message;
};

// The caption, the example line and the button, as shown.
extern const char* const kJumpCaption;
extern const char* const kJumpPrompt;
extern const char* const kJumpButton;
