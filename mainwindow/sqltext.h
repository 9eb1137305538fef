#pragma once

#include <QString>

namespace volmira {

// A value placed between a statement's apostrophes has each apostrophe inside it doubled, so that
// a name such as O'NEIL_TBL is read as the value it is and never ends the literal early.
inline QString doubleApostrophes(const QString& value)
{
    QString quoted = value;
    return quoted.replace(QLatin1Char('\''), QLatin1String("''"));
}

}  // namespace volmira
