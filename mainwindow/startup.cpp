#include "mainwindow/frmmain.h"

#include "dictionary/error.h"
#include "filepicker/frmfiledialog.h"
#include "mainwindow/frmmain_layout.h"

#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLocale>
#include <QTime>

#include <optional>

void frmMain::Form_Load()
{
    blnFirstActivate = true;
    lblTime->setText(volmira::layout::labelText(clockText()));
    setDomainIndex(0);
    imgDomain->setPixmap(impTemp->pixmap());
}

void frmMain::Form_Activate()
{
    blnOpenCancelled = false;
    if (blnFirstActivate)
        mnuOpen_Click();
    if (blnOpenCancelled) {
        close();
        return;
    }
    blnFirstActivate = false;
    SetNavigationEnabled(false);
}

void frmMain::Timer1_Timer() { lblTime->setText(volmira::layout::labelText(clockText())); }

void frmMain::mnuOpen_Click()
{
    dlgFile = fileDialogFactory ? fileDialogFactory() : std::make_unique<frmFileDialog>(nullptr);
    dlgFile->exec();
    if (blnFailed)
        throw HandlerAborted{};
    // A drive or folder the picker could not read ends the action here, as if raised in this handler.
    if (std::optional<volmira::Error> pickerError = dlgFile->takeError())
        throw *pickerError;
    // The window becomes active again now that the picker has gone; that activation is handled once
    // this handler has returned.
    queueActivation();
    const QString chosen = dlgFile->fileName;
    if (!chosen.isEmpty()) {
        strDBPath = chosen;
        dlgFile->close();
        LoadDBConnection();
        ResetScreen(false);
        cmdAcc_Click();
    } else if (blnFirstActivate) {
        close();
        blnOpenCancelled = true;
    }
}

void frmMain::mnuExit_Click() { close(); }

// The current moment is read once for the date and once for the time.
QString frmMain::clockText() const
{
    const QLocale locale = QLocale::system();
    return QStringLiteral("Date && Time: ") + locale.toString(QDate::currentDate(), QLocale::ShortFormat)
           + QLatin1Char(' ') + locale.toString(QTime::currentTime(), QLocale::LongFormat);
}
