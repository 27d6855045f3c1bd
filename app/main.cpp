#include "app/app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication qt(argc, argv);
    PrepareProcess();
    CTesseloApp app;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (!app.InitInstance(args))
        return 1;
    return QApplication::exec();
}
