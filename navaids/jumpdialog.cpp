#include "navaids/jumpdialog.h"

#include "queries/jumptext.h"
#include "platform/wintypes.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

const char* const kJumpCaption = "\u3000指定した緯度経度に移動します";
const char* const kJumpPrompt = "緯度経度をカンマ区切りで入力      例 : 35.684,139.7543";
const char* const kJumpButton = "ジャンプ";

// Taller than the template's 38 units by the message line under the edit box.
CJumpDialog::CJumpDialog(QWidget* owner) : CDialog(owner, "MS Shell Dlg", 8, 204, 54)
{
    setWindowTitle(QString::fromUtf8(kJumpCaption));
    auto* prompt = new QLabel(QString::fromUtf8(kJumpPrompt), this);
    prompt->setGeometry(DluRect(7, 7, 187, 8));
    m_edit = new QLineEdit(this);
    m_edit->setGeometry(DluRect(7, 18, 112, 13));
    m_jump = new QPushButton(QString::fromUtf8(kJumpButton), this);
    m_jump->setGeometry(DluRect(144, 17, 50, 14));
    m_jump->setDefault(true);
    m_message = new QLabel(this);
    m_message->setGeometry(DluRect(7, 34, 187, 16));
    m_message->setWordWrap(true);
    m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_message->setStyleSheet(QStringLiteral("color: #b00000"));
    setTabOrder(m_jump, m_edit);
    connect(m_jump, &QPushButton::clicked, this, [this] { OnOK(); });
}

void CJumpDialog::OnOK()
{
    const JumpEntry e = ParseJumpText(m_edit->text().toStdString());
    if (!e.accepted) {
        m_message->setText(QString::fromStdString(e.message));
        m_edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_message->clear();
    m_lat = e.lat;
    m_lon = e.lon;
    CDialog::OnOK();
}

void CJumpDialog::PreTranslateKey(unsigned& vk)
{
    if (vk == VK_ESCAPE)
        vk = 0;
}

QString CJumpDialog::Message() const
{
    return m_message->text();
}

void CJumpDialog::showEvent(QShowEvent* event)
{
    CDialog::showEvent(event);
    m_edit->setFocus(Qt::OtherFocusReason);
}
