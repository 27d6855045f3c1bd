// The jump dialog: latitude and longitude typed with a comma between them; the map centres on
// the point and marks it.
#pragma once

#include "platform/dialog.h"

class QLineEdit;
class QPushButton;

class CJumpDialog : public CDialog {
    Q_OBJECT
public:
    explicit CJumpDialog(QWidget* owner);

    QLineEdit* Edit() const { return m_edit; }
    QPushButton* JumpButton() const { return m_jump; }

    // Set by the jump command: decimal degrees, -1.0 when unusable.
    double m_lat = -1.0;
    double m_lon = -1.0;

protected:
    // The "ジャンプ" command: reads the entry, refuses one without a first field.
    void OnOK() override;
    // Enter and Escape do nothing here: the button or the close box ends the dialog.
    void PreTranslateKey(unsigned& vk) override;
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_edit;
    QPushButton* m_jump;
};

// The caption, the example line and the button, as shown.
extern const char* const kJumpCaption;
extern const char* const kJumpPrompt;
extern const char* const kJumpButton;
// Said when the entry has no first field (UTF-8).
extern const char* const kInvalidArgument;
