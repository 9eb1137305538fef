#pragma once

// Opening a dictionary and running the statements of the program's first screen, as a check that a file
// either opens and shows, or fails with an error the user can read.

#include <QString>

namespace volmira::damage {

struct FirstScreenOutcome {
    bool opened = false;  // the connection opened and every statement of the first screen ran
    int errorNumber = 0;  // otherwise the error raised
    QString errorDescription;
};

// Opens `path` through a Connection and runs, as the window does for its first screen: the version, the
// tables of Accounting, the first table's descriptions and columns, and the first column's valid values.
// Catches volmira::Error only: anything else ends the process, which is what a caller watches for.
FirstScreenOutcome openFirstScreen(const QString& path);

// Serves openFirstScreen to a supervising process: reads one path a line from standard input, answers
// each with one line ("opened" or "error<TAB>number<TAB>description") on standard output, until the input
// ends. Returns the process exit status.
int serveFirstScreen();

}  // namespace volmira::damage
