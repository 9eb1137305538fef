#pragma once

#include "dictionary/error.h"

#include <QString>

#include <optional>

struct sqlite3;

namespace volmira::jetfunctions {

// Registers Jet's functions and operators on a database, as jet_* SQL functions with Jet's Null rules;
// texts are counted in UTF-16 units and compared ignoring letter case, as Jet does:
//   jet_instr(text, part), jet_instr3(start, text, part), jet_like(text, pattern),
//   jet_ucase, jet_lcase, jet_len, jet_trim, jet_ltrim, jet_rtrim (text), jet_left, jet_right (text, n),
//   jet_mid(text, start[, length]), jet_year, jet_month, jet_day (date), jet_format(date, pattern),
//   jet_divide, jet_intdiv, jet_mod (a, b), jet_concat(a, b) (&: Null counts as ""),
//   jet_text(value, kind) (a value as Jet turns it into text; kind is one of TextKind).
// A function that meets an error Jet raises (division by zero, invalid argument, invalid use of Null,
// type mismatch, invalid pattern) stops the statement; the error is then held in *error.
void install(sqlite3* db, std::optional<Error>* error);

enum class TextKind { Plain = 0, YesNo = 1, Single = 2, Date = 3 };

// Whether a LIKE pattern is well formed: every '[' closed.
bool isLikePattern(const QString& pattern);

}  // namespace volmira::jetfunctions
