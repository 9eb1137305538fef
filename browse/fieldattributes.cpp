#include "mainwindow/frmmain.h"

void frmMain::lstColumns_Click() {}
void frmMain::ShowValidValues() {}
