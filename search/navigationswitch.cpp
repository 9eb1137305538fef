#include "mainwindow/frmmain.h"

#include <QPushButton>
#include <QRadioButton>

void frmMain::SetNavigationEnabled(bool enabled)
{
    cmdSearch->setEnabled(!enabled);
    cmdNext->setEnabled(enabled);
    cmdPrevious->setEnabled(optColDesc->isChecked() ? false : enabled);
    cmdLast->setEnabled(enabled);
    cmdFirst->setEnabled(enabled);
}
