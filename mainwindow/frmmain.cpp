#include "mainwindow/frmmain.h"

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "filepicker/frmfiledialog.h"

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {}
frmMain::~frmMain() = default;
void frmMain::setFatalErrorHandler(FatalErrorHandler handler) { fatalErrorHandler = std::move(handler); }
void frmMain::setFileDialogFactory(FileDialogFactory factory) { fileDialogFactory = std::move(factory); }
void frmMain::showEvent(QShowEvent* event) { QMainWindow::showEvent(event); }
void frmMain::closeEvent(QCloseEvent* event) { QMainWindow::closeEvent(event); }
bool frmMain::eventFilter(QObject* watched, QEvent* event) { return QMainWindow::eventFilter(watched, event); }
void frmMain::buildControls() {}
void frmMain::connectHandlers() {}
void frmMain::guarded(const std::function<void()>& handler) { handler(); }
void frmMain::failWith(const volmira::Error&) {}
void frmMain::setListIndex(QListWidget*, int) {}
void frmMain::setSearchText(const QString&) {}
void frmMain::setOption(QRadioButton*) {}
void frmMain::setDomainIndex(int) {}
void frmMain::clearList(QListWidget*) {}
