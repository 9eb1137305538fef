#include "mainwindow/frmmain.h"

void frmMain::LoadDBConnection() {}
void frmMain::TAVRINVersion() {}
