#pragma once

#include "areas/areacatalogue.h"
#include "search/matchwalk.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class LockedLineBox;
class LockedTextBox;
class QPushButton;
class QRadioButton;
class QScreen;
class QTimer;
class QToolButton;

namespace volmira {
class Connection;
class Error;
}  // namespace volmira

class frmFileDialog;

// The main window. Its handlers and procedures are defined in the folder of their subsystem:
// mainwindow/ (layout, start-up, clock, exit, screen reset, opening the dictionary),
// areas/ (area catalogue display and area selection), browse/ (tables, columns, field attributes),
// search/ (search, match walk, button switch).
class frmMain final : public QMainWindow {
    Q_OBJECT

public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    void LoadDBConnection();
    void TAVRINVersion();

    // What happens when an error ends the program: by default a message box titled
    // "TAVRIN Volmira" with the error's number and description, then the window closes and the
    // application exits with status 1. Tests replace it to observe the end.
    using FatalErrorHandler = std::function<void(const volmira::Error&)>;
    void setFatalErrorHandler(FatalErrorHandler handler);
    bool hasFailed() const noexcept { return blnFailed; }

    // Picker factory: tests hand in a picker that is answered without a person.
    using FileDialogFactory = std::function<std::unique_ptr<frmFileDialog>()>;
    void setFileDialogFactory(FileDialogFactory factory);

    // Sees the text of every statement run over each connection the window opens from now on.
    using StatementObserver = std::function<void(const QString& sql)>;
    void setStatementObserver(StatementObserver observer);

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class frmMainTestAccess;

    // Layout and wiring (mainwindow/).
    void buildControls();
    void connectHandlers();
    // Every handler a user's action reaches is entered here: an error ends the action, shows its
    // message and ends the program. No exception crosses Qt's event machinery.
    void guarded(const std::function<void()>& handler);
    void failWith(const volmira::Error& error);
    // Thrown by a handler that finds the program failed while it waited in a nested event loop:
    // the guard ends the action without a second message.
    struct HandlerAborted final {};
    // Raises an activation of the window once the running handler has returned.
    void queueActivation();
    void fitIntoAvailableArea();

    // Changes made from code run the control's handler at once, inside the statement, exactly as the
    // program's event rules say; the signal is blocked so that the handler runs once, directly.
    void setListIndex(QListWidget* list, int index);
    void setSearchText(const QString& text);
    void setOption(QRadioButton* option);
    void setDomainIndex(int index);
    void clearList(QListWidget* list);

    // Start-up, clock and exit (mainwindow/startup.cpp).
    void Form_Load();
    void Form_Activate();
    void Timer1_Timer();
    void mnuOpen_Click();
    void mnuExit_Click();
    QString clockText() const;

    // Screen reset (mainwindow/screenreset.cpp).
    void ResetScreen(bool blnKeepSearch);
    void cmdClear_Click();

    // Areas (areas/).
    void ShowFunctionalArea();
    void LoadAreaTables();
    // The click handler of each area button, with the area of the catalogue the button stands for.
    void areaButton_Click(const volmira::FunctionalArea& area);
    // The Accounting button's handler, which File > Open calls.
    void cmdAcc_Click();

    // Browsing (browse/).
    void lstTables_Click();
    void ShowTableAttributes(const QString& tableName);
    void LoadTableColumns(const QString& tableName);
    void lstColumns_Click();
    void ShowValidValues();
    void mnuCopyColumns_Click();
    void mnuCopyTableNames_Click();
    void mnuFindTablesWithColumn_Click();

    // Search (search/).
    void cmdSearch_Click();
    void RunSearch(const QString& searchText);
    void txtSearch_Change();
    void txtSearch_KeyPress(int KeyAscii);
    void cmbDomain_Change();
    void optTable_Click();
    void optColumn_Click();
    void optTblDesc_Click();
    void optColDesc_Click();
    void SetNavigationEnabled(bool enabled);
    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void SelectFirstResult();
    void SelectLastResult();
    void FindNextMatch(const QString& text);
    void FindPreviousMatch(const QString& text);
    // The walk's two moves: select a table (its handler runs, and in the column modes its first
    // Next step) and select a column as the current match.
    void selectWalkTable(int index);
    void selectWalkColumn(int index);

    // Menu.
    QMenu* mnuFile = nullptr;
    QAction* mnuOpen = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuHelp = nullptr;
    // The lists' context menus, also on Ctrl+C while the list has the focus.
    QAction* mnuCopyColumns = nullptr;
    QAction* mnuCopyTableNames = nullptr;
    QAction* mnuFindTablesWithColumn = nullptr;

    // Area button bar, in catalogue order: picture above the caption. Each is named by its area's
    // buttonName (cmdAcc, cmdbill, ... Cmditsp, ... cmdutil).
    std::array<QToolButton*, volmira::functionalAreaCount> areaButtons{};

    // Controls directly on the window.
    QLabel* lblDomainName = nullptr;
    QLabel* imgDomain = nullptr;
    QLabel* impTemp = nullptr;
    QLabel* Label8 = nullptr;
    QListWidget* lstTables = nullptr;
    QLabel* Label9 = nullptr;
    QListWidget* lstColumns = nullptr;
    QFrame* Line1 = nullptr;
    QGroupBox* frmTable = nullptr;
    QGroupBox* frmSearch = nullptr;
    QGroupBox* frmFields = nullptr;
    QGroupBox* frameGUI = nullptr;
    QGroupBox* frmValidValues = nullptr;
    QLabel* lblTime = nullptr;
    QLabel* lblDomain = nullptr;
    QLabel* lblDBVer = nullptr;
    QLabel* lblCopyRght = nullptr;
    QTimer* Timer1 = nullptr;

    // frmSearch.
    QLabel* Label10 = nullptr;
    QComboBox* cmbDomain = nullptr;
    QRadioButton* optTable = nullptr;
    QRadioButton* optColumn = nullptr;
    QRadioButton* optTblDesc = nullptr;
    QRadioButton* optColDesc = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* txtSearch = nullptr;
    QPushButton* cmdFirst = nullptr;
    QPushButton* cmdPrevious = nullptr;
    QPushButton* cmdNext = nullptr;
    QPushButton* cmdLast = nullptr;
    QPushButton* cmdSearch = nullptr;
    QPushButton* cmdClear = nullptr;

    // frmFields.
    QLabel* Label1 = nullptr;
    LockedLineBox* txtDatatype = nullptr;
    QCheckBox* chkPrimary = nullptr;
    QLabel* Label6 = nullptr;
    QCheckBox* chlForeign = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label2 = nullptr;
    LockedTextBox* txtLogiDesc = nullptr;
    QLabel* Label3 = nullptr;
    LockedTextBox* txtDataDesc = nullptr;

    // frameGUI.
    QLabel* Label12 = nullptr;
    LockedLineBox* txtGUILabel = nullptr;
    QLabel* Label13 = nullptr;
    LockedLineBox* txtGUIControl = nullptr;

    // frmValidValues.
    LockedTextBox* txtValues = nullptr;

    // frmTable.
    QLabel* Label4 = nullptr;
    LockedTextBox* txtTblLD = nullptr;
    QLabel* Label5 = nullptr;
    LockedTextBox* txtTblDD = nullptr;

    // Window variables. List indexes and counters are int, not 16-bit: a list can hold more than
    // 32,767 tables or matches.
    std::unique_ptr<volmira::Connection> cnDict;
    std::unique_ptr<volmira::Recordset> rsColumns;
    QString strArea;
    QString strTable;
    QString strColumn;
    QString strDBVersion;
    std::unique_ptr<frmFileDialog> dlgFile;
    bool blnOpenCancelled = false;
    QString strSearchArea;
    QString strSQL;
    QString strDBPath;
    bool blnFirstActivate = false;
    // The walk through the matches: intSelIndex, intMatchIndex, rsMatches, intMatchCount, intMatchPos.
    volmira::MatchWalk walk;
    // A table selection asked for while the walk is already selecting one waits here (see selectWalkTable).
    bool blnSelectingTable = false;
    int intQueuedTable = -1;

    // Plumbing that is not part of the window's shared state.
    bool blnFailed = false;
    bool firstShowSeen = false;
    bool fittedToKnownFrame = false;
    const QScreen* fittedScreen = nullptr;
    // Event-loop level at which each running guard was entered: a signal raised synchronously inside
    // a handler belongs to that handler; one delivered by a nested event loop gets a guard of its own.
    std::vector<int> guardLoopLevels;
    FatalErrorHandler fatalErrorHandler;
    FileDialogFactory fileDialogFactory;
    StatementObserver statementObserver;
};
