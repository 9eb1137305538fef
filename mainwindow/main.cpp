#include "mainwindow/appearance.h"
#include "mainwindow/frmmain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // The desktop file name lets the window manager match the window to the menu entry and its icon.
    QApplication::setApplicationName(QStringLiteral("Volmira"));
    QApplication::setApplicationVersion(QStringLiteral(VOLMIRA_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Volmira"));
    QApplication::setOrganizationDomain(QStringLiteral("volmira.org"));
    QGuiApplication::setDesktopFileName(QStringLiteral(VOLMIRA_APP_ID));
    volmira::appearance::useLightSchemeForApplication();
    frmMain window;
    if (window.hasFailed())
        return 1;
    window.show();
    const int status = app.exec();
    return window.hasFailed() ? 1 : status;
}
