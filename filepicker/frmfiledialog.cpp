#include "filepicker/frmfiledialog.h"

#include "filepicker/drivelist.h"
#include "filepicker/filelist.h"
#include "filepicker/folderlist.h"
#include "mainwindow/appearance.h"

#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <utility>

namespace {

constexpr int TwipsPerPixel = 15;

// Where each control sits, in twips, relative to the client area or, for the three lists, to frame1.
// The tab index gives the order in which Tab walks the controls that take the focus.
struct Placement {
    const char* name;
    int left, top, width, height;
    int tabIndex;
};

constexpr Placement placements[] = {
    {"frame1", 120, 120, 5895, 4695, 4},    {"lstDrive", 120, 240, 2520, 345, 7},
    {"lstFolder", 120, 650, 2535, 3915, 6}, {"lstFiles", 2655, 240, 3135, 4365, 5},
    {"Label1", 120, 4920, 975, 375, 1},     {"txtFile", 1200, 4920, 4815, 375, 0},
    {"cmdOk", 3480, 5400, 1215, 375, 2},    {"cmdCancel", 4800, 5400, 1215, 375, 3},
};

constexpr int ClientWidthTwips = 6075;
constexpr int ClientHeightTwips = 5835;

constexpr int pixels(int twips) { return twips / TwipsPerPixel; }

void place(QWidget* control)
{
    for (const Placement& p : placements) {
        if (control->objectName() == QLatin1String(p.name)) {
            control->setGeometry(pixels(p.left), pixels(p.top), pixels(p.width), pixels(p.height));
            return;
        }
    }
}

void chainTabOrder(QWidget* dialog)
{
    QList<std::pair<int, QWidget*>> order;
    for (const Placement& p : placements) {
        auto* control = dialog->findChild<QWidget*>(QLatin1String(p.name));
        if (control && control->focusPolicy() != Qt::NoFocus)
            order.append({p.tabIndex, control});
    }
    std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1).second, order.at(i).second);
}

template <typename Control, typename... Args>
Control* makeControl(const char* name, QWidget* parent, Args&&... args)
{
    auto* control = new Control(std::forward<Args>(args)..., parent);
    control->setObjectName(QLatin1String(name));
    place(control);
    return control;
}

QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = makeControl<QPushButton>(name, parent, caption);
    // Enter presses a button only while it has the focus; there is no default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

frmFileDialog::frmFileDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmFileDialog"));
    setWindowTitle(QStringLiteral("Select mdb File"));
    setFixedSize(pixels(ClientWidthTwips), pixels(ClientHeightTwips));
    QFont font(QStringLiteral("Candara"));
    font.setPointSizeF(9.75);
    setFont(font);

    frame1 = makeControl<volmira::appearance::CaptionFrame>("frame1", this, QStringLiteral("Browse"));
    lstDrive = makeControl<DriveList>("lstDrive", frame1);
    lstFolder = makeControl<FolderList>("lstFolder", frame1);
    lstFiles = makeControl<FileList>("lstFiles", frame1, QStringLiteral("*.mdb"));
    volmira::appearance::showWholeNames(lstFiles);
    Label1 = makeControl<QLabel>("Label1", this, QStringLiteral("File Name"));
    txtFile = makeControl<QLineEdit>("txtFile", this);
    txtFile->setReadOnly(true);
    Label1->setBuddy(txtFile);
    cmdOk = makeButton("cmdOk", QStringLiteral("&Open"), this);
    cmdCancel = makeButton("cmdCancel", QStringLiteral("&Cancel"), this);
    chainTabOrder(this);

    connect(lstDrive, &QComboBox::currentIndexChanged, this, [this] { guarded([this] { lstDrive_Change(); }); });
    connect(lstFolder, &FolderList::openRequested, this,
            [this](const QString& folder) { guarded([this, &folder] { lstFolder->setPath(folder); }); });
    connect(lstFolder, &FolderList::pathChanged, this, [this] { guarded([this] { lstFolder_Change(); }); });
    // A file is selected by a click (also on the row already selected), by the keyboard or from code.
    connect(lstFiles, &QListWidget::itemClicked, this, [this] { guarded([this] { lstFiles_Click(); }); });
    connect(lstFiles, &QListWidget::itemSelectionChanged, this, [this] { guarded([this] { lstFiles_Click(); }); });
    connect(lstFiles, &QListWidget::itemDoubleClicked, this, [this] { guarded([this] { lstFiles_DblClick(); }); });
    connect(cmdOk, &QPushButton::clicked, this, [this] { guarded([this] { cmdOk_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { guarded([this] { cmdCancel_Click(); }); });

    guarded([this] { Form_Load(); });
    txtFile->setFocus();
}

frmFileDialog::~frmFileDialog() = default;

int frmFileDialog::exec()
{
    if (error_)
        return QDialog::Rejected;
    return QDialog::exec();
}

std::optional<volmira::Error> frmFileDialog::takeError()
{
    std::optional<volmira::Error> taken = std::move(error_);
    error_.reset();
    return taken;
}

void frmFileDialog::guarded(const std::function<void()>& handler)
{
    if (error_)
        return;
    try {
        handler();
    } catch (const volmira::Error& error) {
        // A handler nested in another (a folder change inside a drive change) may have kept one already.
        if (!error_)
            error_ = error;
        close();
    }
}

void frmFileDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Cancel)) {
        // Esc does not cancel the picker; only Cancel and the close button do.
        event->accept();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && event->modifiers() == Qt::NoModifier) {
            button->click();
            event->accept();
            return;
        }
        event->ignore();
        return;
    default: QDialog::keyPressEvent(event);
    }
}

QString frmFileDialog::selectedFilePath() const
{
    // In the platform's own form: a file in a root folder follows two separators ("//x.mdb", "C:\\x.mdb").
    return QDir::toNativeSeparators(lstFiles->path()) + QDir::separator() + lstFiles->selectedName();
}

QString frmFileDialog::startFolderOn(const QString& drive) const
{
    // The drive that holds the working folder opens there; any other drive at its top.
    const QString working = QDir::currentPath();
    return lstDrive->driveOf(working) == drive ? working : drive;
}

void frmFileDialog::Form_Load()
{
    fileName.clear();
    {
        const QSignalBlocker quiet(lstDrive);
        lstDrive->refresh();
    }
    // Opening the working folder fills the file list and selects its drive (lstFolder_Change).
    lstFolder->setPath(QDir::currentPath());
}

void frmFileDialog::lstDrive_Change()
{
    txtFile->clear();
    lstFolder->setPath(startFolderOn(lstDrive->drive()));
}

void frmFileDialog::lstFolder_Change()
{
    txtFile->clear();
    lstFiles->setPath(lstFolder->path());
    // The folder tree can walk into another mounted file system; the drive list follows it.
    const QSignalBlocker quiet(lstDrive);
    lstDrive->selectDriveOf(lstFolder->path());
}

void frmFileDialog::lstFiles_Click()
{
    // A selection taken away (Ctrl+click) leaves no file to open.
    txtFile->setText(lstFiles->selectedName().isEmpty() ? QString() : selectedFilePath());
}

void frmFileDialog::lstFiles_DblClick() { cmdOk_Click(); }

void frmFileDialog::cmdOk_Click()
{
    if (txtFile->text().isEmpty()) {
        volmira::appearance::showMessage(this, QMessageBox::Information, QStringLiteral("Volmira"),
                                         QStringLiteral("Select a file"));
        return;
    }
    fileName = selectedFilePath();
    setResult(QDialog::Accepted);
    hide();
}

void frmFileDialog::cmdCancel_Click() { close(); }
