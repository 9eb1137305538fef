#include "mainwindow/frmmain.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The desktop file name lets the window manager match the window to the menu entry and its icon.
    QApplication::setApplicationName(QStringLiteral("Volmira"));
    QApplication::setApplicationVersion(QStringLiteral(VOLMIRA_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Volmira"));
    QApplication::setOrganizationDomain(QStringLiteral("volmira.org"));
    QGuiApplication::setDesktopFileName(QStringLiteral(VOLMIRA_APP_ID));
    // The windows set their own light palette; Fusion draws everything from the palette, where some
    // desktop styles paint buttons and indicators in their own dark colours.
    if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    frmMain window;
    if (window.hasFailed())
        return 1;
    window.show();
    const int status = app.exec();
    return window.hasFailed() ? 1 : status;
}
