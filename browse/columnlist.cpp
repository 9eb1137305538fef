#include "mainwindow/frmmain.h"

void frmMain::LoadTableColumns(const QString&) {}
