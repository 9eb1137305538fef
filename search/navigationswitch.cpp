#include "mainwindow/frmmain.h"

void frmMain::SetNavigationEnabled(bool) {}
