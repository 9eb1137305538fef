#include "cli/diff/escaping.h"

namespace volmira::diff::escaping {

namespace {

QString hex(char16_t unit, int digits) { return QString::number(unit, 16).rightJustified(digits, QLatin1Char('0')); }

// A control character other than a line break or a tab has no place in a page: it shows as U+FFFD.
bool control(char16_t u) { return (u < 0x20 && u != '\n' && u != '\r' && u != '\t') || u == 0x7f; }

}  // namespace

QString plain(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\r')
            out += QLatin1String("\\r");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0) || u == 0x2028 || u == 0x2029)
            out += QLatin1String("\\x") + hex(u, 2);
        else
            out += c;
    }
    return out;
}

QString html(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        case '\'': out += QLatin1String("&#39;"); break;
        default: out += control(c.unicode()) ? QChar(QChar::ReplacementCharacter) : c; break;
        }
    }
    return out;
}

QString markdown(const QString& text)
{
    static const QString punctuation = QStringLiteral("\\`*_{}[]()#+-.!|~=:");
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); continue;
        case '<': out += QLatin1String("&lt;"); continue;
        case '>': out += QLatin1String("&gt;"); continue;
        case '\r':
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("<br>");
            continue;
        case '\n': out += QLatin1String("<br>"); continue;
        case '\t': out += QLatin1Char(' '); continue;
        default:
            if (control(c.unicode())) {
                out += QChar(QChar::ReplacementCharacter);
                continue;
            }
            break;
        }
        if (punctuation.contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString csv(const QString& text)
{
    const bool quoted = text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('"'))
                        || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
    if (!quoted)
        return text;
    QString out = text;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

void appendJson(QString& out, QStringView text)
{
    out += QLatin1Char('"');
    qsizetype plain = 0;  // the start of the run of characters that stand for themselves
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        QLatin1String escape;  // stays empty for a character written as \uXXXX
        switch (u) {
        case '"': escape = QLatin1String("\\\""); break;
        case '\\': escape = QLatin1String("\\\\"); break;
        case '\n': escape = QLatin1String("\\n"); break;
        case '\r': escape = QLatin1String("\\r"); break;
        case '\t': escape = QLatin1String("\\t"); break;
        default:
            // '<' and '>' as escapes too, so the document reads the same embedded in a page.
            if (u < 0x20 || u == '<' || u == '>' || u == '&' || u == 0x2028 || u == 0x2029)
                break;
            continue;
        }
        out += text.mid(plain, i - plain);
        if (escape.isEmpty())
            out += QLatin1String("\\u") + hex(u, 4);
        else
            out += escape;
        plain = i + 1;
    }
    out += text.mid(plain);
    out += QLatin1Char('"');
}

QString json(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    appendJson(out, text);
    return out;
}

}  // namespace volmira::diff::escaping
