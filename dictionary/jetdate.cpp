#include "dictionary/jetdate.h"

#include <QDate>
#include <QRegularExpression>

#include <cmath>
#include <vector>

namespace volmira::jetdate {

namespace {

const qint64 firstDay = QDate(1899, 12, 30).toJulianDay();

}  // namespace

std::optional<double> serial(const Parts& p)
{
    const QDate date(p.year, p.month, p.day);
    if (p.year < 100 || p.year > 9999 || !date.isValid() || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59
        || p.second < 0 || p.second > 59)
        return std::nullopt;
    const double days = double(date.toJulianDay() - firstDay);
    const double time = (p.hour * 3600 + p.minute * 60 + p.second) / 86400.0;
    return days < 0 ? days - time : days + time;
}

std::optional<Parts> parts(double serial)
{
    if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6)
        return std::nullopt;
    const double whole = std::trunc(serial);
    // Whole seconds, rounded: a stored 10:30 is 0.4375 only up to the double's precision.
    long long seconds = std::llround(std::fabs(serial - whole) * 86400.0);
    qint64 day = qint64(whole);
    if (seconds >= 86400) {  // rounds up to the next midnight, which is the next day before the epoch too
        seconds -= 86400;
        ++day;
    }
    const QDate date = QDate::fromJulianDay(firstDay + day);
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        return std::nullopt;
    return Parts{date.year(), date.month(), date.day(), int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60)};
}

std::optional<double> parse(const QString& text)
{
    static const QRegularExpression iso(
        QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression us(
        QStringLiteral(R"(^\s*(\d{1,2})/(\d{1,2})/(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    Parts p;
    QRegularExpressionMatch match = iso.match(text);
    if (match.hasMatch()) {
        p.year = match.captured(1).toInt();
        p.month = match.captured(2).toInt();
        p.day = match.captured(3).toInt();
    } else if (match = us.match(text); match.hasMatch()) {
        p.month = match.captured(1).toInt();
        p.day = match.captured(2).toInt();
        p.year = match.captured(3).toInt();
    } else {
        return std::nullopt;
    }
    p.hour = match.captured(4).toInt();
    p.minute = match.captured(5).toInt();
    p.second = match.captured(6).toInt();
    return serial(p);
}

QString text(double serial)
{
    const std::optional<Parts> p = parts(serial);
    if (!p)
        return {};
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(p->year, 4, 10, QLatin1Char('0'))
        .arg(p->month, 2, 10, QLatin1Char('0'))
        .arg(p->day, 2, 10, QLatin1Char('0'))
        .arg(p->hour, 2, 10, QLatin1Char('0'))
        .arg(p->minute, 2, 10, QLatin1Char('0'))
        .arg(p->second, 2, 10, QLatin1Char('0'));
}

namespace {

// The pattern as runs of one letter (y, m, d, h, n, s) and separators; false when it holds anything else.
bool splitFormat(const QString& pattern, std::vector<QString>* runs)
{
    static const QString letters = QStringLiteral("ymdhns");
    static const QString separators = QStringLiteral("-/:., ");
    for (int i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        int j = i + 1;
        if (letters.contains(c)) {
            while (j < pattern.size() && pattern[j].toLower() == c)
                ++j;
            const int length = j - i;
            if (length > (c == u'y' ? 4 : 2) || (c == u'y' && length == 3))
                return false;
        } else if (!separators.contains(c)) {
            return false;
        }
        runs->push_back(pattern.mid(i, j - i).toLower());
        i = j;
    }
    return !runs->empty();
}

}  // namespace

bool isFormat(const QString& pattern)
{
    std::vector<QString> runs;
    return splitFormat(pattern, &runs);
}

QString format(const Parts& p, const QString& pattern)
{
    std::vector<QString> runs;
    if (!splitFormat(pattern, &runs))
        return {};
    QString out;
    bool afterHour = false;
    for (const QString& run : runs) {
        const QChar c = run[0];
        const int width = int(run.size());
        auto number = [&](int value) { out += QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')); };
        switch (c.unicode()) {
        case u'y': number(width == 4 ? p.year : p.year % 100); break;
        case u'm': number(afterHour ? p.minute : p.month); break;
        case u'd': number(p.day); break;
        case u'h': number(p.hour); break;
        case u'n': number(p.minute); break;
        case u's': number(p.second); break;
        default: out += run;
        }
        if (c.isLetter())
            afterHour = c == u'h';
    }
    return out;
}

}  // namespace volmira::jetdate
