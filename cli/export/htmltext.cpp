#include "cli/export/htmltext.h"

namespace volmira::exporting {

// The runs between characters that need an entity are appended whole: the site holds every text of the
// dictionary, so this is its hot loop.
void appendHtml(QString& out, const QString& text)
{
    const QChar* const begin = text.constData();
    const QChar* const end = begin + text.size();
    const QChar* run = begin;
    for (const QChar* p = begin; p != end; ++p) {
        const char16_t u = p->unicode();
        if (u > '>' || (u != '&' && u != '<' && u != '>' && u != '"' && u != '\''))
            continue;
        out.append(run, p - run);
        run = p + 1;
        switch (u) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default: out += QLatin1String("&#39;"); break;
        }
    }
    out.append(run, end - run);
}

QString html(const QString& text)
{
    QString out;
    out.reserve(text.size() + 16);
    appendHtml(out, text);
    return out;
}

}  // namespace volmira::exporting
