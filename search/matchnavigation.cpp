#include "mainwindow/frmmain.h"

#include "dictionary/recordset.h"
#include "search/searchtext.h"

#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScopeGuard>

#include <algorithm>

// The walk through a search's matches. In the table modes a step is one table of lstTables; in the
// column modes it is one matching column of lstColumns, and past a table's last match the walk goes
// into the next table. Every move selects a list item in code and so runs that item's own handling.
// The walk never wraps around and reports nothing at its ends.

namespace {

// The text a step looks for: the current search text, trimmed, in upper case.
QString stepText(const QString& text) { return volmira::trimBlanks(text).toUpper(); }

// The first item from `from` on whose text contains `part` (letter case counts); -1 for none.
// An empty part names nothing, so no item contains it.
int findForward(const QListWidget& list, int from, const QString& part)
{
    if (part.isEmpty())
        return -1;
    for (int i = std::max(from, 0); i < list.count(); ++i)
        if (list.item(i)->text().contains(part, Qt::CaseSensitive))
            return i;
    return -1;
}

// The same, from `from` down to the first item.
int findBackward(const QListWidget& list, int from, const QString& part)
{
    if (part.isEmpty())
        return -1;
    for (int i = std::min(from, list.count() - 1); i >= 0; --i)
        if (list.item(i)->text().contains(part, Qt::CaseSensitive))
            return i;
    return -1;
}

// The first item from `from` on whose text is `name` (letter case counts); -1 for none. The
// column-description walk selects the column the match set names, not one whose name merely
// contains it (D_K_X before D_K). An empty name names no item.
int findNamed(const QListWidget& list, int from, const QString& name)
{
    if (name.isEmpty())
        return -1;
    for (int i = std::max(from, 0); i < list.count(); ++i)
        if (list.item(i)->text() == name)
            return i;
    return -1;
}

// The column name of the match set's current row. A row without a name (a Null column) gives the
// empty text, which names no list item.
QString matchName(const volmira::Recordset& matches)
{
    if (matches.Eof() || matches.Bof())
        return {};
    const volmira::FieldValue& name = matches.Fields(0).Value;
    return name.isNull() ? QString() : name.toText();
}

// Where the column-description walk stands after its first `steps` Next steps in the current table:
// the list index of the match then shown (-1 for none), with the match set left on the row the
// following Next step reads. Stepping back by replaying the steps makes Previous the exact reverse
// of Next.
int replayMatchWalk(volmira::Recordset& matches, const QListWidget& columns, int steps)
{
    matches.MoveFirst();
    int shown = -1;
    for (int step = 0; step < steps && !matches.Eof(); ++step) {
        const int found = findNamed(columns, shown + 1, matchName(matches));
        matches.MoveNext();
        if (found >= 0)
            shown = found;
    }
    return shown;
}

}  // namespace

void frmMain::cmdFirst_Click() { SelectFirstResult(); }
void frmMain::cmdPrevious_Click() { FindPreviousMatch(txtSearch->text()); }
void frmMain::cmdNext_Click() { FindNextMatch(txtSearch->text()); }
void frmMain::cmdLast_Click() { SelectLastResult(); }

// First and Last show the table's first match again also when that table is already selected
// (selecting a row from code always runs its handling): the user asked to start from there.
void frmMain::SelectFirstResult()
{
    if (lstTables->count() > 0)
        selectWalkTable(0);
}

void frmMain::SelectLastResult()
{
    if (lstTables->count() > 0)
        selectWalkTable(lstTables->count() - 1);
}

void frmMain::FindNextMatch(const QString& text)
{
    const QString part = stepText(text);
    if (part.isEmpty() || lstColumns->count() == 0)
        return;

    const auto nextTable = [this] {
        if (walk.intSelIndex < lstTables->count() - 1) {
            walk.intSelIndex += 1;
            selectWalkTable(walk.intSelIndex);
        }
    };

    if (optColumn->isChecked()) {
        const int found = findForward(*lstColumns, walk.intMatchIndex + 1, part);
        if (found >= 0)
            selectWalkColumn(found);
        else
            nextTable();
        return;
    }

    if (optColDesc->isChecked()) {
        // The match set holds this table's columns whose description contains the text the table
        // was loaded with; the walk follows it even when the search text was edited since.
        if (walk.intMatchPos < walk.intMatchCount && walk.rsMatches) {
            const QString name = matchName(*walk.rsMatches);
            if (!walk.rsMatches->Eof()) {
                walk.rsMatches->MoveNext();
                walk.intMatchPos += 1;
            }
            const int found = findNamed(*lstColumns, walk.intMatchIndex + 1, name);
            if (found >= 0)
                selectWalkColumn(found);
            else
                nextTable();
            return;
        }
        nextTable();
        return;
    }

    nextTable();
}

// Stepping back into the previous table shows that table's first match, as every table selection
// does in the column modes.
void frmMain::FindPreviousMatch(const QString& text)
{
    const QString part = stepText(text);
    if (part.isEmpty() || lstColumns->count() == 0)
        return;

    const auto previousTable = [this] {
        if (walk.intSelIndex > 0) {
            walk.intSelIndex -= 1;
            selectWalkTable(walk.intSelIndex);
        }
    };

    if (optColumn->isChecked()) {
        // Without a match shown in this table (it holds none for the text), the previous match
        // lies in an earlier table.
        const int found = walk.intMatchIndex > 0 ? findBackward(*lstColumns, walk.intMatchIndex - 1, part) : -1;
        if (found >= 0)
            selectWalkColumn(found);
        else
            previousTable();
        return;
    }

    if (optColDesc->isChecked()) {
        // intMatchPos counts the matches shown in this table so far; the match before the current
        // one is found again by replaying the walk up to it. At the table's first match the walk
        // goes back into the previous table.
        if (walk.intMatchPos >= 2 && walk.rsMatches) {
            walk.intMatchPos -= 1;
            const int shown = replayMatchWalk(*walk.rsMatches, *lstColumns, walk.intMatchPos);
            if (shown >= 0)
                selectWalkColumn(shown);
            return;
        }
        previousTable();
        return;
    }

    previousTable();
}

// A table selected in a column mode runs its own first Next step, and a table without a match moves
// that step on to the following table, and so on: done by plain nesting, a long run of tables
// without a match would nest one selection per table and could exhaust the stack. So a selection
// asked for while one is running waits until the running one has returned (it was that selection's
// last act anyway) and is then made here, in a loop.
void frmMain::selectWalkTable(int index)
{
    if (index < 0 || index >= lstTables->count())
        return;
    if (blnSelectingTable) {
        intQueuedTable = index;
        return;
    }
    blnSelectingTable = true;
    const auto done = qScopeGuard([this] {
        blnSelectingTable = false;
        intQueuedTable = -1;
    });
    for (int next = index; next >= 0 && next < lstTables->count();) {
        intQueuedTable = -1;
        setListIndex(lstTables, next);
        next = intQueuedTable;
    }
}

void frmMain::selectWalkColumn(int index)
{
    setListIndex(lstColumns, index);
    walk.intMatchIndex = index;
}
