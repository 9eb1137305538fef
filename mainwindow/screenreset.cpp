#include "mainwindow/frmmain.h"

void frmMain::ResetScreen(bool) {}
void frmMain::cmdClear_Click() {}
