#include "cli/diff/reports.h"

#include "cli/diff/escaping.h"
#include "cli/diff/worddiff.h"

namespace volmira::diff {

QString versionText(const QString& version)
{
    return version.isEmpty() ? QStringLiteral("no version") : QStringLiteral("version ") + version;
}

QString areaHeading(const AreaName& area) { return area.title + QStringLiteral(" (") + area.code.toUpper() + ')'; }

const Markup& textMarkup()
{
    static const Markup markup{&escaping::plain, "[-", "-]", "{+", "+}", "", "", " -> "};
    return markup;
}

const Markup& htmlMarkup()
{
    static const Markup markup{&escaping::html, "<del>", "</del>", "<ins>", "</ins>", "<code>", "</code>", " → "};
    return markup;
}

const Markup& markdownMarkup()
{
    static const Markup markup{&escaping::markdown, "<del>", "</del>", "<ins>", "</ins>", "<code>", "</code>", " → "};
    return markup;
}

namespace {

QString name(const QString& text, const Markup& m) { return m.nameStart + m.escape(text) + m.nameEnd; }

QString wordChanges(const QString& before, const QString& after, const Markup& m)
{
    QString out;
    for (const WordSpan& span : compareWords(before, after)) {
        switch (span.kind) {
        case WordSpan::Kind::Same: out += m.escape(span.text); break;
        case WordSpan::Kind::Removed: out += m.removedStart + m.escape(span.text) + m.removedEnd; break;
        case WordSpan::Kind::Added: out += m.addedStart + m.escape(span.text) + m.addedEnd; break;
        }
    }
    return out;
}

QString changedText(const Change& c, const Markup& m)
{
    if (comparedByWords(c.attribute))
        return wordChanges(c.before, c.after, m);
    return m.escape(c.before) + m.arrow + m.escape(c.after);
}

QString quotedOrNothing(const QString& text, const Markup& m)
{
    return text.isEmpty() ? QString() : QStringLiteral(": ") + m.escape(text);
}

}  // namespace

QString describeChange(const Change& c, const Comparison& comparison, const Markup& m)
{
    const QString column = QStringLiteral("column ") + name(c.column, m);
    const QString value = QStringLiteral("valid value ") + name(c.value, m);
    switch (c.kind) {
    case ChangeKind::TableAdded: return QStringLiteral("table added") + quotedOrNothing(c.after, m) + ", " + c.note;
    case ChangeKind::TableRemoved:
        return QStringLiteral("table removed") + quotedOrNothing(c.before, m) + ", " + c.note;
    case ChangeKind::TableMoved:
        return QStringLiteral("table moved here from ")
               + m.escape(areaHeading(comparison.areas[std::size_t(c.oldArea)]));
    case ChangeKind::TableChanged: return attributeName(c.attribute) + QStringLiteral(": ") + changedText(c, m);
    case ChangeKind::ColumnRemoved: return column + QStringLiteral(" removed: ") + m.escape(c.before) + ", " + c.note;
    case ChangeKind::ColumnAdded: return column + QStringLiteral(" added: ") + m.escape(c.after) + ", " + c.note;
    case ChangeKind::PossibleRename:
        return column + QStringLiteral(" possibly renamed to ") + name(c.after, m) + " (" + c.note + ')';
    case ChangeKind::ColumnReordered:
    case ChangeKind::ColumnChanged:
        return column + QStringLiteral(": ") + attributeName(c.attribute) + QStringLiteral(": ") + changedText(c, m);
    case ChangeKind::ValueRemoved:
        return column + ": " + value + QStringLiteral(" removed") + quotedOrNothing(c.before, m);
    case ChangeKind::ValueAdded: return column + ": " + value + QStringLiteral(" added") + quotedOrNothing(c.after, m);
    case ChangeKind::ValueChanged: return column + ": " + value + QStringLiteral(": ") + changedText(c, m);
    }
    return {};
}

}  // namespace volmira::diff
