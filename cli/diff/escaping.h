#pragma once

#include <QString>

// Every text from a dictionary is escaped where it lands, so that it shows as the text it is.
namespace volmira::diff::escaping {

// Control characters written as \n, \r, \t or \xNN, so that a text stays on its line and sends the
// terminal nothing; a backslash as \\.
QString plain(const QString& text);
QString html(const QString& text);
// Inline Markdown, fit for a table cell or a list item: punctuation escaped, HTML characters as entities,
// line breaks as <br>.
QString markdown(const QString& text);
// An RFC 4180 field: quoted when it holds a comma, a quote or a line break.
QString csv(const QString& text);
// A JSON string with its quotes; appendJson adds it to the end of `out`, for documents made of many.
QString json(const QString& text);
void appendJson(QString& out, QStringView text);

}  // namespace volmira::diff::escaping
