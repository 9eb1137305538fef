#include "mainwindow/lockedboxes.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

// A line of up to this many characters lays out in a few milliseconds, whatever its script, and is shown
// as it is; a longer one is shown in blocks of this size, each ended after a blank where there is one.
constexpr qsizetype kBlockChars = 2048;
constexpr qsizetype kBlankSearchChars = 256;
// What is shown at once, and added each time the user scrolls to the note: this many blocks, or blocks
// up to this many characters, whichever comes first.
constexpr int kBlocksPerStep = 400;
constexpr qsizetype kCharsPerStep = 100 * 1024;
constexpr qsizetype kLineChars = 1000;

// Block states: a block that goes on with the line of the one before it, and the closing note.
constexpr int kContinued = 1;
constexpr int kNote = 2;

bool lineBreak(QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::ParagraphSeparator; }

// Where a block may end at or before `end` without parting a surrogate pair or a base from its marks.
qsizetype blockEnd(const QString& text, qsizetype begin, qsizetype end)
{
    qsizetype at = end;
    while (at > begin + 1 && at < text.size() && (text.at(at).isLowSurrogate() || text.at(at).isMark()))
        --at;
    return at > begin + 1 ? at : end;
}

// Where a block of a long line ends: after the last blank near `end`, so that no word is parted, else
// where blockEnd lets it.
qsizetype lineBlockEnd(const QString& text, qsizetype begin, qsizetype end)
{
    for (qsizetype at = end; at > std::max(begin + 1, end - kBlankSearchChars); --at)
        if (text.at(at - 1).isSpace())
            return at;
    return blockEnd(text, begin, end);
}

struct Portion {
    QString text;                 // blocks separated by '\n'
    std::vector<bool> continued;  // per block: it goes on with the line before
    qsizetype end = 0;            // where in the full text the portion ends
};

Portion portionFrom(const QString& full, qsizetype from)
{
    Portion portion;
    qsizetype at = from;
    bool lineStart = from == 0 || lineBreak(full.at(from - 1));
    while (at < full.size() && int(portion.continued.size()) < kBlocksPerStep && portion.text.size() < kCharsPerStep) {
        const qsizetype limit = std::min(full.size(), at + kBlockChars);
        qsizetype end = at;
        while (end < limit && !lineBreak(full.at(end)))
            ++end;
        const bool brokenHere = end < full.size() && lineBreak(full.at(end));
        if (!brokenHere && end < full.size())
            end = lineBlockEnd(full, at, end);
        if (!portion.continued.empty())
            portion.text += QLatin1Char('\n');
        portion.text += QStringView(full).mid(at, end - at);
        portion.continued.push_back(!lineStart);
        at = end;
        lineStart = brokenHere;
        if (brokenHere) {
            // A line break ends the block; CR LF is one.
            at += full.at(at) == QLatin1Char('\r') && at + 1 < full.size() && full.at(at + 1) == QLatin1Char('\n') ? 2
                                                                                                                   : 1;
            if (at == full.size()) {  // a text ending in a line break shows an empty last line
                portion.text += QLatin1Char('\n');
                portion.continued.push_back(false);
            }
        }
    }
    portion.end = at;
    return portion;
}

QString noteFor(qsizetype shown, qsizetype total)
{
    const QLocale locale;
    return QStringLiteral("[… %1 of %2 characters shown: scroll on for more; Select All and Copy take the whole text]")
        .arg(locale.toString(shown), locale.toString(total));
}

}  // namespace

LockedTextBox::LockedTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    // The note in sight means the user has scrolled to the end of what is shown: show more, once the
    // repaint that brought it there is over.
    connect(this, &QPlainTextEdit::updateRequest, this, [this] {
        if (morePending_ || !isShortened())
            return;
        const QTextBlock note = document()->lastBlock();
        if (blockBoundingGeometry(note).translated(contentOffset()).top() > viewport()->height())
            return;
        morePending_ = true;
        QTimer::singleShot(0, this, [this] {
            morePending_ = false;
            if (isShortened())
                showMore();
        });
    });
    // Text set by other code (a clear, say) replaces the text shown here.
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!filling_)
            full_ = QString(), shownTo_ = 0;
    });
}

bool LockedTextBox::isShortened() const { return document()->lastBlock().userState() == kNote; }

void LockedTextBox::showText(const QString& text)
{
    filling_ = true;
    clear();
    full_ = text;
    shownTo_ = 0;
    showMore();
    filling_ = false;
    moveCursor(QTextCursor::Start);
}

// Replaces the note (or fills the empty box) with the next portion of the text, and a new note when
// text remains.
void LockedTextBox::showMore()
{
    const Portion portion = portionFrom(full_, shownTo_);
    const bool first = shownTo_ == 0;
    const bool filling = std::exchange(filling_, true);
    shownTo_ = portion.end;
    const QTextCursor view = textCursor();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (!first) {
        cursor.movePosition(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    const int firstBlock = cursor.blockNumber();
    cursor.insertText(portion.text);
    if (shownTo_ < full_.size())
        cursor.insertText(QStringLiteral("\n") + noteFor(shownTo_, full_.size()));
    cursor.endEditBlock();
    QTextBlock block = document()->findBlockByNumber(firstBlock);
    for (const bool continued : portion.continued) {
        block.setUserState(continued ? kContinued : -1);
        block = block.next();
    }
    if (shownTo_ < full_.size())
        document()->lastBlock().setUserState(kNote);
    setTextCursor(view);
    filling_ = filling;
}

QMimeData* LockedTextBox::createMimeDataFromSelection() const
{
    const QTextCursor selection = textCursor();
    const QTextBlock last = document()->lastBlock();
    const int shownEnd = isShortened() ? last.position() - 1 : last.position() + last.length() - 1;
    if (full_.isNull())
        return QPlainTextEdit::createMimeDataFromSelection();
    auto data = std::make_unique<QMimeData>();
    if (selection.selectionStart() == 0 && selection.selectionEnd() >= shownEnd) {
        data->setText(full_);
        return data.release();
    }
    // Part of the text: the blocks that only break a long line join up again; the note is left out.
    QString text;
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() <= end;
         block = block.next()) {
        if (block.userState() == kNote)
            break;
        if (block.position() > start && block.userState() != kContinued)
            text += QLatin1Char('\n');
        const int from = std::max(start - block.position(), 0);
        const int to = std::min(end - block.position(), block.length() - 1);
        text += block.text().mid(from, to - from);
    }
    data->setText(text);
    return data.release();
}

LockedLineBox::LockedLineBox(QWidget* parent) : QLineEdit(parent)
{
    setMaxLength(std::numeric_limits<int>::max());  // never cut a text without the note
}

void LockedLineBox::showText(const QString& text)
{
    full_ = text;
    shortened_ = text.size() > kLineChars;
    shown_ = shortened_ ? text.left(blockEnd(text, 0, kLineChars))
                              + QStringLiteral(" [… %1 characters: Select All and Copy take the whole text]")
                                    .arg(QLocale().toString(text.size()))
                        : text;
    setText(shown_);
    setCursorPosition(0);
}

void LockedLineBox::copyText()
{
    if (isShortened() && selectedText() == text())
        QGuiApplication::clipboard()->setText(full_);
    else
        copy();
}

void LockedLineBox::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Copy)) {
        copyText();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void LockedLineBox::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(createStandardContextMenu());
    for (QAction* action : menu->actions()) {
        if (action->objectName() == QLatin1String("edit-copy")) {
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this, &LockedLineBox::copyText);
        }
    }
    menu->exec(event->globalPos());
}

DisplayCheckBox::DisplayCheckBox(QWidget* parent) : QCheckBox(parent) { setEnabled(false); }

void DisplayCheckBox::alignWith(const QLabel* caption)
{
    caption_ = caption;
    update();
}

void DisplayCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    if (caption_) {
        // The caption's line is centred in its label; its capitals lie between the baseline and the cap height.
        const QFontMetrics metrics = caption_->fontMetrics();
        const QRect text = caption_->contentsRect();
        const int lineTop = text.top() + (text.height() - metrics.height()) / 2;
        const int capitalsMiddle = caption_->y() + lineTop + metrics.ascent() - metrics.capHeight() / 2 - y();
        const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
        option.rect.translate(0, capitalsMiddle - indicator.center().y());
    }
    painter.drawControl(QStyle::CE_CheckBox, option);
}
