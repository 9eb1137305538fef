#include "mainwindow/frmmain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    frmMain window;
    if (window.hasFailed())
        return 1;
    window.show();
    const int status = app.exec();
    return window.hasFailed() ? 1 : status;
}
