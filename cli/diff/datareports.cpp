// The reports scripts read: one JSON document, or one CSV record per change.

#include "cli/diff/documentreports.h"
#include "cli/diff/escaping.h"
#include "cli/diff/reports.h"
#include "cli/diff/twohalves.h"
#include "cli/diff/worddiff.h"

namespace volmira::diff {

namespace {

QString areaCode(const Comparison& comparison, int area)
{
    return area < 0 ? QString() : comparison.areas[std::size_t(area)].code;
}

// Starts a member of the object being written: its opening brace or the comma before it, and its name.
void member(QString& out, const char* name, bool& first)
{
    out += first ? QLatin1String("{\"") : QLatin1String(", \"");
    first = false;
    out += QLatin1String(name);
    out += QLatin1String("\": ");
}

void textMember(QString& out, const char* name, const QString& text, bool& first)
{
    member(out, name, first);
    escaping::appendJson(out, text);
}

void wordsMember(QString& out, const Change& c, bool& first)
{
    member(out, "words", first);
    out += QLatin1Char('[');
    bool firstSpan = true;
    for (const WordSpan& span : compareWords(c.before, c.after)) {
        if (!firstSpan)
            out += QLatin1String(", ");
        firstSpan = false;
        out += span.kind == WordSpan::Kind::Same      ? QLatin1String("[\"same\", ")
               : span.kind == WordSpan::Kind::Removed ? QLatin1String("[\"removed\", ")
                                                      : QLatin1String("[\"added\", ");
        escaping::appendJson(out, span.text);
        out += QLatin1Char(']');
    }
    out += QLatin1Char(']');
}

void changeObject(QString& out, const Comparison& comparison, const Change& c)
{
    bool first = true;
    textMember(out, "kind", kindName(c.kind), first);
    textMember(out, "area", areaCode(comparison, c.area), first);
    if (c.oldArea >= 0)
        textMember(out, "oldArea", areaCode(comparison, c.oldArea), first);
    textMember(out, "table", c.table, first);
    if (!c.column.isEmpty() || c.kind >= ChangeKind::ColumnRemoved)
        textMember(out, "column", c.column, first);
    if (c.attribute != Attribute::None)
        textMember(out, "attribute", attributeName(c.attribute), first);
    if (c.kind >= ChangeKind::ValueRemoved)
        textMember(out, "value", c.value, first);
    textMember(out, "old", c.before, first);
    textMember(out, "new", c.after, first);
    if (!c.note.isEmpty())
        textMember(out, "note", c.note, first);
    if (comparedByWords(c.attribute) && !c.before.isEmpty() && !c.after.isEmpty())
        wordsMember(out, c, first);
    out += QLatin1Char('}');
}

QByteArray jsonReport(const Comparison& comparison, const ComparedFiles& files)
{
    QString out = QStringLiteral("{\n  \"old\": {\"file\": ") + escaping::json(files.oldFile)
                  + QStringLiteral(", \"version\": ") + escaping::json(comparison.oldVersion)
                  + QStringLiteral("},\n  \"new\": {\"file\": ") + escaping::json(files.newFile)
                  + QStringLiteral(", \"version\": ") + escaping::json(comparison.newVersion)
                  + QStringLiteral("},\n  \"summary\": {\"changes\": ") + QString::number(comparison.changeCount())
                  + QStringLiteral(", \"byKind\": {");
    for (int k = 0; k < changeKindCount; ++k) {
        out += (k ? QStringLiteral(", ") : QString()) + escaping::json(kindName(ChangeKind(k))) + QStringLiteral(": ")
               + QString::number(comparison.count(ChangeKind(k)));
    }
    out += QStringLiteral("}, \"byArea\": {");
    bool firstArea = true;
    for (int a = 0; a < int(comparison.areas.size()); ++a) {
        const int n = comparison.countInArea(a);
        if (n == 0)
            continue;
        out += (firstArea ? QString() : QStringLiteral(", ")) + escaping::json(comparison.areas[std::size_t(a)].code)
               + QStringLiteral(": ") + QString::number(n);
        firstArea = false;
    }
    out += QStringLiteral("}},\n  \"changes\": [");
    // The changes are written in two halves at once, each in UTF-8; the first half's text comes first.
    QByteArray halves[2];
    inTwoHalves(comparison.changes.size(), [&](int half, std::size_t begin, std::size_t end) {
        QString part;
        for (std::size_t i = begin; i < end; ++i) {
            part += i == 0 ? QLatin1String("\n    ") : QLatin1String(",\n    ");
            changeObject(part, comparison, comparison.changes[i]);
        }
        halves[half] = part.toUtf8();
    });
    QByteArray document = out.toUtf8();
    document.reserve(document.size() + halves[0].size() + halves[1].size() + 8);
    document += halves[0];
    document += halves[1];
    document += comparison.changes.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return document;
}

QString csvReport(const Comparison& comparison)
{
    QString out;
    const auto record = [&out](std::initializer_list<QString> fields) {
        bool first = true;
        for (const QString& field : fields) {
            if (!first)
                out += QLatin1Char(',');
            first = false;
            out += escaping::csv(field);
        }
        out += QStringLiteral("\r\n");
    };
    record({QStringLiteral("kind"), QStringLiteral("area"), QStringLiteral("old_area"), QStringLiteral("table"),
            QStringLiteral("column"), QStringLiteral("attribute"), QStringLiteral("value"), QStringLiteral("old"),
            QStringLiteral("new"), QStringLiteral("note")});
    for (const Change& c : comparison.changes) {
        record({kindName(c.kind), areaCode(comparison, c.area), areaCode(comparison, c.oldArea), c.table, c.column,
                attributeName(c.attribute), c.value, c.before, c.after, c.note});
    }
    return out;
}

}  // namespace

QByteArray report(const Comparison& comparison, ReportFormat format, const ComparedFiles& files)
{
    switch (format) {
    case ReportFormat::Json: return jsonReport(comparison, files);
    case ReportFormat::Csv: return csvReport(comparison).toUtf8();
    case ReportFormat::Text:
    case ReportFormat::Markdown:
    case ReportFormat::Html: break;
    }
    return documentReport(comparison, format, files).toUtf8();
}

}  // namespace volmira::diff
