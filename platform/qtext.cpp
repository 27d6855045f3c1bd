#include "platform/qtext.h"

#include "platform/cp932.h"

QString QStringFromCp932(std::string_view cp932)
{
    bool ascii = true;
    for (unsigned char c : cp932)
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii)
        return QString::fromLatin1(cp932.data(), static_cast<qsizetype>(cp932.size()));
    const std::string utf8 = Cp932ToUtf8(cp932);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Cp932FromQString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToCp932(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}
