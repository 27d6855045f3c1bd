#include "platform/resources.h"

#include <QFile>

static void InitResources()
{
    static bool done = [] {
        Q_INIT_RESOURCE(tesselo);
        return true;
    }();
    (void)done;
}

QImage LoadBitmapResource(int id)
{
    InitResources();
    const QString path = QStringLiteral(":/bitmaps/%1.png").arg(id);
    if (!QFile::exists(path))
        return {};
    return QImage(path);
}

QIcon LoadIconResource(int id)
{
    InitResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        const QString path = QStringLiteral(":/icons/%1-%2.png").arg(id).arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}
