#pragma once

#include <QString>

namespace volmira {

// The search text as the search and the match walk use it: without its leading and trailing
// blanks. Only the blank (U+0020) is trimmed; any other character, white space included, is part
// of the text and is searched for like a letter.
QString trimBlanks(const QString& text);

}  // namespace volmira
