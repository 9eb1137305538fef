#pragma once

#include <QString>

#include <optional>

namespace volmira::jetdate {

// A Jet date is a serial day number: whole days since 1899-12-30, the fraction the time of day. Before
// that day the whole part counts back and the fraction still counts forward: -1.25 is 1899-12-29 06:00.
struct Parts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// Years 100 to 9999, as Jet accepts them; nothing for a day or time that does not exist.
std::optional<double> serial(const Parts& parts);
// Nothing for a serial outside those years (or not a number).
std::optional<Parts> parts(double serial);

// The text between the #s of a literal, or a text converted to a date: "2021-12-02", "2021-12-02 10:30",
// "2021-12-02 10:30:00", or the month first as "12/2/2021" with the same times.
std::optional<double> parse(const QString& text);

// "yyyy-mm-dd hh:mm:ss"; empty for a serial outside the years Jet knows.
QString text(double serial);

// Format(date, pattern) for the date patterns: yyyy, yy, m, mm, d, dd, h, hh, n, nn, s, ss (m and mm right
// after an hour are minutes, as in Jet) joined by - / : . , and blanks. isFormat tells whether a pattern is one.
bool isFormat(const QString& pattern);
QString format(const Parts& parts, const QString& pattern);

}  // namespace volmira::jetdate
