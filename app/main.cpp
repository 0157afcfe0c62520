// tessastudio: the desktop barcode editor.
//
//   tessastudio [DOCUMENT.bar]
#include <QApplication>
#include <cstdio>
#include <exception>

#include "app/application.h"
#include "app/shell.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessastudio"));
    QApplication::setApplicationVersion(QString::fromLatin1(kApplicationVersion));
    QApplication::setDesktopFileName(QStringLiteral("tessastudio"));
    try {
        TApplication application(QApplication::arguments().mid(1));
        return application.Run();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tessastudio: %s\n", error.what());
        return 1;
    }
}
