#include "cli/export/healthreport.h"

#include "areas/areacatalogue.h"
#include "cli/export/dictionarymap.h"
#include "cli/export/htmltext.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

#include <algorithm>
#include <map>
#include <set>

namespace volmira::exporting {

namespace {

using Rule = HealthReport::Rule;

struct RuleText final {
    Rule rule;
    const char* name;
    const char* meaning;
};

const RuleText ruleTexts[] = {
    {Rule::TableWithoutDescription, "table-without-description", "tables without a data definition"},
    {Rule::ColumnWithoutDescription, "column-without-description", "columns without a data definition"},
    {Rule::DescriptionRepeatsName, "description-repeats-name", "descriptions that only repeat the name"},
    {Rule::PlaceholderDescription, "placeholder-description", "descriptions that hold a placeholder"},
    {Rule::CodedColumnWithoutValues, "coded-column-without-values",
     "columns shown in a list or combo box without valid values"},
    {Rule::ValuesForMissingColumn, "values-for-missing-column", "valid values of a column that does not exist"},
    {Rule::ColumnWithSeveralTypes, "column-with-several-types", "one column name with several data types"},
    {Rule::ColumnWithSeveralDefinitions, "column-with-several-definitions",
     "one column name with several data definitions"},
    {Rule::ForeignKeyWithoutTarget, "foreign-key-without-target", "foreign keys without an inferable target"},
};

const RuleText& textOf(Rule rule) { return ruleTexts[int(rule)]; }

bool blank(QStringView text) { return text.trimmed().isEmpty(); }

// Letters and digits only, folded: "Group_ID" and "group id" say the same.
QString bareWords(QStringView text)
{
    QString bare;
    for (const QChar c : text) {
        if (c.isLetterOrNumber())
            bare += c.toCaseFolded();
    }
    return bare;
}

// A description that says nothing but the name. Most descriptions are far longer than any name.
bool repeatsName(const QString& text, const QString& name)
{
    return text.size() <= 2 * name.size() + 8 && bareWords(text) == bareWords(name);
}

bool placeholder(QStringView text)
{
    text = text.trimmed();
    if (text.size() > 12)
        return false;
    static const std::set<QString> placeholders{
        QStringLiteral("tbd"), QStringLiteral("tba"),   QStringLiteral("n/a"),        QStringLiteral("na"),
        QStringLiteral("?"),   QStringLiteral("??"),    QStringLiteral("???"),        QStringLiteral("todo"),
        QStringLiteral("-"),   QStringLiteral("--"),    QStringLiteral("."),          QStringLiteral("..."),
        QStringLiteral("x"),   QStringLiteral("xxx"),   QStringLiteral("none"),       QStringLiteral("test"),
        QStringLiteral("tbc"), QStringLiteral("fixme"), QStringLiteral("description")};
    return placeholders.count(text.toString().toCaseFolded()) != 0;
}

// Coded columns are those the product's screens show as a choice from a list: their control's name
// holds "list" or "combo" (ListBox, ComboBox, DropDownList). A name pattern such as *_CD would also
// take in codes that are typed in free form.
bool coded(const QString& guiControl)
{
    const QString control = guiControl.toCaseFolded();
    return control.contains(QLatin1String("combo")) || control.contains(QLatin1String("list"));
}

QString percent(int part, int whole)
{
    return whole == 0 ? QStringLiteral("-") : QString::number(100.0 * part / whole, 'f', 1) + QLatin1Char('%');
}

// Names from the file reach a terminal: control characters and the backslash are written as escapes.
QString terminalText(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u < 0x20 || u == 0x7f || (u >= 0x80 && u < 0xa0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// The tables listed, at most five, and how many more.
QString someTables(const DictionaryMap& map, const std::vector<int>& tables)
{
    QStringList names;
    for (size_t i = 0; i < tables.size() && i < 5; ++i)
        names << map.tables()[size_t(tables[i])].name;
    QString text = names.join(QStringLiteral(", "));
    if (tables.size() > 5)
        text += QStringLiteral(" and %1 more").arg(tables.size() - 5);
    return text;
}

}  // namespace

const std::vector<Rule>& HealthReport::rules()
{
    static const std::vector<Rule> all = [] {
        std::vector<Rule> list;
        for (const RuleText& text : ruleTexts)
            list.push_back(text.rule);
        return list;
    }();
    return all;
}

QString HealthReport::ruleName(Rule rule) { return QString::fromLatin1(textOf(rule).name); }

bool HealthReport::ruleNamed(const QString& name, Rule& rule)
{
    for (const RuleText& text : ruleTexts) {
        if (name == QLatin1String(text.name)) {
            rule = text.rule;
            return true;
        }
    }
    return false;
}

HealthReport::HealthReport(const Connection& connection, const DictionaryMap& map)
    : connection_(connection), map_(map), valuedByArea_(functionalAreas().size()), tableSeen_(map.tables().size()),
      names_(map.columnUses().size())
{}

void HealthReport::begin(const QString&, const std::vector<const FunctionalArea*>&)
{
    Recordset rows;
    rows.Open(statements::valuedColumns(), connection_);
    for (; !rows.Eof(); rows.MoveNext()) {
        const FieldValue& area = rows.Fields(0).Value;
        const FieldValue& table = rows.Fields(1).Value;
        const FieldValue& column = rows.Fields(2).Value;
        if (area.isNull() || table.isNull() || column.isNull())
            continue;
        const FunctionalArea* known = findFunctionalArea(area.toText().toLower());
        if (known)
            valuedByArea_[size_t(known - functionalAreas().data())].push_back({table.toText(), column.toText()});
    }
}

void HealthReport::add(Rule rule, const QString& area, const QString& table, const QString& column, const QString& page,
                       const QString& message)
{
    findings_.push_back({rule, area, table, column, page, message});
}

void HealthReport::checkText(const Finding& place, const QString& what, const QString& text, const QString& name)
{
    if (blank(text))
        return;
    if (placeholder(text))
        add(Rule::PlaceholderDescription, place.area, place.table, place.column, place.page,
            QStringLiteral("the %1 is the placeholder \"%2\"").arg(what, text.trimmed()));
    else if (repeatsName(text, name))
        add(Rule::DescriptionRepeatsName, place.area, place.table, place.column, place.page,
            QStringLiteral("the %1 only repeats the name").arg(what));
}

void HealthReport::writeArea(const ExportArea& exported)
{
    const int position = int(exported.area - functionalAreas().data());
    const QString code = QString::fromLatin1(exported.area->code);
    Coverage coverage;
    coverage.area = code;
    for (const ExportTable& table : exported.tables) {
        ++coverage.tables;
        const int mapped = map_.findTable(table.name);
        const int listing = mapped < 0 ? -1 : map_.findListing(position, mapped);
        const QString page = listing < 0 ? QString() : map_.listings()[size_t(listing)].page;
        // Names and references are the table's, counted once, under its first area.
        const bool first = mapped >= 0 && !tableSeen_[size_t(mapped)];
        if (mapped >= 0)
            tableSeen_[size_t(mapped)] = true;

        const Finding tablePlace{Rule::TableWithoutDescription, code, table.name, {}, page, {}};
        if (blank(table.description))
            add(Rule::TableWithoutDescription, code, table.name, {}, page,
                QStringLiteral("the table has no data definition"));
        else
            ++coverage.describedTables;
        checkText(tablePlace, QStringLiteral("table's logical description"), table.logicalName, table.name);
        checkText(tablePlace, QStringLiteral("table's data definition"), table.description, table.name);

        std::vector<int> namesSeen;
        for (const ExportColumn& column : table.columns) {
            const ShownColumn& shown = column.shown;
            const int use = map_.findColumnUse(shown.column);
            if (use >= 0) {
                if (std::find(namesSeen.begin(), namesSeen.end(), use) != namesSeen.end())
                    continue;  // the window shows a name's first row
                namesSeen.push_back(use);
            }
            ++coverage.columns;
            const Finding place{Rule::ColumnWithoutDescription, code, table.name, shown.column, page, {}};
            if (blank(shown.dataDefinition))
                add(Rule::ColumnWithoutDescription, code, table.name, shown.column, page,
                    QStringLiteral("the column has no data definition"));
            else
                ++coverage.describedColumns;
            checkText(place, QStringLiteral("logical description"), shown.logicalDescription, shown.column);
            checkText(place, QStringLiteral("data definition"), shown.dataDefinition, shown.column);
            if (coded(shown.guiControl)) {
                ++coverage.codedColumns;
                if (column.values.empty())
                    add(Rule::CodedColumnWithoutValues, code, table.name, shown.column, page,
                        QStringLiteral("shown in a %1 but has no valid values").arg(shown.guiControl));
                else
                    ++coverage.codedColumnsWithValues;
            }
            if (!first || use < 0)
                continue;
            NameUse& name = names_[size_t(use)];
            ++name.tables;
            const QString type = shown.dataType.toCaseFolded();
            auto typed = std::find_if(name.tablesByType.begin(), name.tablesByType.end(),
                                      [&type](const auto& entry) { return entry.first.toCaseFolded() == type; });
            if (typed == name.tablesByType.end())
                typed = name.tablesByType.insert(name.tablesByType.end(), {shown.dataType, {}});
            typed->second.push_back(mapped);
            const QStringView definition = QStringView(shown.dataDefinition).trimmed();
            if (!definition.isEmpty()) {
                const size_t hash = qHash(definition);
                if (std::find(name.definitions.begin(), name.definitions.end(), hash) == name.definitions.end())
                    name.definitions.push_back(hash);
            }
            if (shown.foreignKey) {
                for (const int reference : map_.tables()[size_t(mapped)].references) {
                    const DictionaryMap::Reference& found = map_.references()[size_t(reference)];
                    if (map_.firstListing(mapped).columns[size_t(found.column)].use != use)
                        continue;
                    ++coverage.foreignKeys;
                    if (found.outcome == DictionaryMap::Outcome::Inferred)
                        ++coverage.foreignKeysWithTarget;
                    else
                        add(Rule::ForeignKeyWithoutTarget, code, table.name, shown.column, page, found.reason);
                }
            }
        }
    }

    // Valid values whose column the area does not list, in the order the engine gives them.
    for (const ValuedColumn& valued : valuedByArea_[size_t(position)]) {
        const int mapped = map_.findTable(valued.table);
        const int listing = mapped < 0 ? -1 : map_.findListing(position, mapped);
        if (listing >= 0) {
            const int use = map_.findColumnUse(valued.column);
            const auto& columns = map_.listings()[size_t(listing)].columns;
            if (std::any_of(columns.begin(), columns.end(), [use](const auto& c) { return c.use == use; }))
                continue;
        }
        add(Rule::ValuesForMissingColumn, code, valued.table, valued.column,
            listing < 0 ? QString() : map_.listings()[size_t(listing)].page,
            listing < 0 ? QStringLiteral("valid values of a table that the area does not list")
                        : QStringLiteral("valid values of a column that the table does not have"));
    }
    coverage_.push_back(std::move(coverage));
}

void HealthReport::finish()
{
    for (size_t use = 0; use < names_.size(); ++use) {
        const NameUse& name = names_[use];
        const DictionaryMap::ColumnUse& entry = map_.columnUses()[use];
        if (name.tablesByType.size() > 1) {
            QStringList parts;
            for (const auto& [type, tables] : name.tablesByType)
                parts << QStringLiteral("%1 in %2").arg(type, someTables(map_, tables));
            add(Rule::ColumnWithSeveralTypes, {}, {}, entry.name, entry.page, parts.join(QStringLiteral("; ")));
        }
        if (name.definitions.size() > 1)
            add(Rule::ColumnWithSeveralDefinitions, {}, {}, entry.name, entry.page,
                QStringLiteral("%1 different data definitions in %2 tables")
                    .arg(name.definitions.size())
                    .arg(name.tables));
    }
}

QString HealthReport::text() const
{
    QString out;
    for (const Finding& finding : findings_) {
        QString place = finding.area.isEmpty() ? QStringLiteral("column %1").arg(finding.column)
                                               : finding.area + QLatin1Char(' ') + finding.table;
        if (!finding.area.isEmpty() && !finding.column.isEmpty())
            place += QLatin1Char('.') + finding.column;
        out += terminalText(place) + QStringLiteral(": ") + ruleName(finding.rule) + QStringLiteral(": ")
               + terminalText(finding.message) + QLatin1Char('\n');
    }
    for (const Coverage& c : coverage_) {
        out += QStringLiteral("coverage %1: tables described %2 (%3 of %4), columns described %5 (%6 of %7), "
                              "coded columns with values %8 (%9 of %10), foreign keys with a target %11 (%12 of %13)\n")
                   .arg(c.area, percent(c.describedTables, c.tables))
                   .arg(c.describedTables)
                   .arg(c.tables)
                   .arg(percent(c.describedColumns, c.columns))
                   .arg(c.describedColumns)
                   .arg(c.columns)
                   .arg(percent(c.codedColumnsWithValues, c.codedColumns))
                   .arg(c.codedColumnsWithValues)
                   .arg(c.codedColumns)
                   .arg(percent(c.foreignKeysWithTarget, c.foreignKeys))
                   .arg(c.foreignKeysWithTarget)
                   .arg(c.foreignKeys);
    }
    return out;
}

QString HealthReport::html() const
{
    QString page =
        QStringLiteral("<h1>Health report</h1>\n<h2>Findings by rule</h2>\n<table class=\"rules\">\n"
                       "<thead><tr><th>Rule</th><th>What it finds</th><th>Findings</th></tr></thead>\n<tbody>\n");
    std::map<int, int> counts;
    for (const Finding& finding : findings_)
        ++counts[int(finding.rule)];
    for (const RuleText& text : ruleTexts) {
        page += QStringLiteral("<tr><td><code>%1</code></td><td>%2</td><td>%3</td></tr>\n")
                    .arg(QLatin1String(text.name), QLatin1String(text.meaning))
                    .arg(counts[int(text.rule)]);
    }
    page += QStringLiteral("</tbody>\n</table>\n");
    page += QStringLiteral("<h2>Coverage by area</h2>\n"
                           "<table class=\"coverage\">\n<thead><tr><th>Area</th><th>Tables described</th>"
                           "<th>Columns described</th><th>Coded columns with values</th>"
                           "<th>Foreign keys with a target</th></tr></thead>\n<tbody>\n");
    const auto cell = [&page](int part, int whole) {
        page += QStringLiteral("<td>%1 <span class=\"count\">(%2 of %3)</span></td>")
                    .arg(percent(part, whole))
                    .arg(part)
                    .arg(whole);
    };
    for (const Coverage& c : coverage_) {
        page += QStringLiteral("<tr><th scope=\"row\"><a href=\"%1.html\">%2</a></th>").arg(c.area, c.area.toUpper());
        cell(c.describedTables, c.tables);
        cell(c.describedColumns, c.columns);
        cell(c.codedColumnsWithValues, c.codedColumns);
        cell(c.foreignKeysWithTarget, c.foreignKeys);
        page += QStringLiteral("</tr>\n");
    }
    page += QStringLiteral("</tbody>\n</table>\n<h2>Findings</h2>\n");
    if (findings_.empty()) {
        page += QStringLiteral("<p>None.</p>\n");
        return page;
    }
    page += QStringLiteral("<table class=\"findings\">\n<thead><tr><th>Area</th><th>Table</th><th>Column</th>"
                           "<th>Rule</th><th>Finding</th></tr></thead>\n<tbody>\n");
    for (const Finding& finding : findings_) {
        page += QStringLiteral("<tr><td>");
        appendHtml(page, finding.area);
        page += QStringLiteral("</td><td>");
        const auto linked = [&page, &finding](const QString& text, bool link) {
            if (link)
                page += QStringLiteral("<a href=\"%1\">").arg(finding.page);
            appendHtml(page, text);
            if (link)
                page += QStringLiteral("</a>");
        };
        const bool linkable = !finding.page.isEmpty();
        linked(finding.table, linkable && !finding.table.isEmpty());
        page += QStringLiteral("</td><td>");
        linked(finding.column, linkable && finding.table.isEmpty());
        page += QStringLiteral("</td><td><code>%1</code></td><td>").arg(ruleName(finding.rule));
        appendHtml(page, finding.message);
        page += QStringLiteral("</td></tr>\n");
    }
    page += QStringLiteral("</tbody>\n</table>\n");
    return page;
}

}  // namespace volmira::exporting
