#pragma once

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QString>

class QLabel;

// The window's read-only boxes. Laying out a text costs time that grows with its longest line (a
// million characters without a break take most of a minute), so a box shows a long text in pieces:
// lines of thousands of characters are broken into blocks, and only the first stretch is shown, closed by
// a visible note, with more added as the user scrolls to it. Select All and Copy still take the whole text.

// A multi-line box.
class LockedTextBox final : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit LockedTextBox(QWidget* parent = nullptr);

    void showText(const QString& text);
    // The whole text given to showText, as Copy takes it after Select All.
    const QString& fullText() const { return full_; }
    bool isShortened() const;

protected:
    QMimeData* createMimeDataFromSelection() const override;

private:
    void showMore();

    QString full_;           // null when the text shown was set by other means
    qsizetype shownTo_ = 0;  // where in full_ the shown text ends
    bool filling_ = false;
    bool morePending_ = false;
};

// A one-line box: a long text is shown up to a limit and a note; Copy after Select All takes all of it.
class LockedLineBox final : public QLineEdit {
    Q_OBJECT

public:
    explicit LockedLineBox(QWidget* parent = nullptr);

    void showText(const QString& text);
    const QString& fullText() const { return full_; }
    bool isShortened() const { return shortened_ && text() == shown_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void copyText();

    QString full_;
    QString shown_;
    bool shortened_ = false;
};

// A check box that only shows a value: disabled, without a caption of its own. Its indicator is drawn
// level with the middle of the capitals of the caption label beside it, which sits lower in the form.
class DisplayCheckBox final : public QCheckBox {
    Q_OBJECT

public:
    explicit DisplayCheckBox(QWidget* parent = nullptr);

    void alignWith(const QLabel* caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QLabel* caption_ = nullptr;
};
