#include "cli/export/dictionarymap.h"

#include "areas/areacatalogue.h"
#include "cli/export/filenames.h"
#include "dictionary/recordset.h"
#include "dictionary/shownattributes.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <QSet>

#include <algorithm>
#include <map>

namespace volmira::exporting {

std::string nameKey(const QString& name) { return textfold::foldedUtf8(name.toStdString()); }

namespace {

enum class TypeFamily { Text, Whole, Decimal, Date, Other };

TypeFamily familyOf(const QString& type)
{
    static const std::map<QString, TypeFamily> families{
        {QStringLiteral("char"), TypeFamily::Text},       {QStringLiteral("varchar"), TypeFamily::Text},
        {QStringLiteral("nchar"), TypeFamily::Text},      {QStringLiteral("nvarchar"), TypeFamily::Text},
        {QStringLiteral("text"), TypeFamily::Text},       {QStringLiteral("string"), TypeFamily::Text},
        {QStringLiteral("int"), TypeFamily::Whole},       {QStringLiteral("integer"), TypeFamily::Whole},
        {QStringLiteral("smallint"), TypeFamily::Whole},  {QStringLiteral("tinyint"), TypeFamily::Whole},
        {QStringLiteral("bigint"), TypeFamily::Whole},    {QStringLiteral("long"), TypeFamily::Whole},
        {QStringLiteral("decimal"), TypeFamily::Decimal}, {QStringLiteral("numeric"), TypeFamily::Decimal},
        {QStringLiteral("money"), TypeFamily::Decimal},   {QStringLiteral("smallmoney"), TypeFamily::Decimal},
        {QStringLiteral("datetime"), TypeFamily::Date},   {QStringLiteral("smalldatetime"), TypeFamily::Date},
        {QStringLiteral("date"), TypeFamily::Date},
    };
    const auto found = families.find(type);
    return found == families.end() ? TypeFamily::Other : found->second;
}

int areaPosition(const QString& code)
{
    const FunctionalArea* area = findFunctionalArea(code.toLower());
    return area ? int(area - functionalAreas().data()) : -1;
}

}  // namespace

bool compatibleTypes(const QString& foldedType, const QString& otherFoldedType)
{
    const TypeFamily family = familyOf(foldedType);
    return family == TypeFamily::Other ? foldedType == otherFoldedType : family == familyOf(otherFoldedType);
}

DictionaryMap DictionaryMap::read(const Connection& connection, const std::vector<const FunctionalArea*>& exported)
{
    DictionaryMap map;
    std::map<std::pair<int, std::string>, int> listingOf;  // (area, table key) -> listing
    std::vector<std::vector<int>> sequence;                // each listing's [Column_SeqNo] per column
    // The map outlives the export's reading: its 100,000 columns share their few type texts instead of
    // holding one allocation each, which would leave the heap scattered for everything read after.
    QSet<QString> types;
    const auto intern = [&types](const QString& text) { return *types.insert(text); };
    {
        namespace Field = statements::AllColumnsField;
        Recordset rows;
        rows.Open(statements::allColumns(), connection);
        // A table's rows mostly follow one another: the last listing is looked up once per run of rows.
        QString lastArea;
        QString lastTable;
        int listing = -1;
        for (; !rows.Eof(); rows.MoveNext()) {
            const FieldValue& area = rows.Fields(Field::Area).Value;
            const FieldValue& table = rows.Fields(Field::Table).Value;
            const FieldValue& name = rows.Fields(Field::Column).Value;
            if (area.isNull() || table.isNull() || name.isNull())  // what the window cannot list
                continue;
            const QString areaCode = area.toText();
            const QString tableName = table.toText();
            if (listing < 0 || areaCode != lastArea || tableName != lastTable) {
                lastArea = areaCode;
                lastTable = tableName;
                const int position = areaPosition(areaCode);
                if (position < 0) {
                    listing = -1;
                    continue;
                }
                const std::string key = nameKey(tableName);
                const auto [found, added] = listingOf.try_emplace({position, key}, int(map.listings_.size()));
                if (added) {
                    const auto [named, newTable] = map.tableByName_.try_emplace(key, int(map.tables_.size()));
                    if (newTable)
                        map.tables_.push_back({tableName, {}, {}, {}});
                    map.listings_.push_back({position, named->second, {}, {}});
                    sequence.emplace_back();
                }
                listing = found->second;
            } else if (listing < 0) {
                continue;
            }
            Column column;
            column.name = name.toText();
            const auto [use, newName] =
                map.columnUseByName_.try_emplace(nameKey(column.name), int(map.columnUses_.size()));
            if (newName)
                map.columnUses_.push_back({column.name, {}, {}});
            column.use = use->second;
            if (column.name == map.columnUses_[size_t(column.use)].name)
                column.name = map.columnUses_[size_t(column.use)].name;  // shared, not a copy of its own
            std::vector<Column>& columns = map.listings_[size_t(listing)].columns;
            if (std::any_of(columns.begin(), columns.end(), [&column](const Column& c) { return c.use == column.use; }))
                continue;  // the window shows a name's first row
            const FieldValue& type = rows.Fields(Field::DataType).Value;
            column.dataType = intern(shownDataType(type, rows.Fields(Field::DataAttributes).Value));
            column.baseType = intern(QString::fromStdString(nameKey(shownText(type).trimmed())));
            column.primaryKey = rows.Fields(Field::PrimaryKey).Value.isTrue();
            column.foreignKey = rows.Fields(Field::ForeignKey).Value.isTrue();
            const FieldValue& seqNo = rows.Fields(Field::ColumnSeqNo).Value;
            sequence[size_t(listing)].push_back(seqNo.isNull() ? 0 : shownText(seqNo).toInt());
            columns.push_back(std::move(column));
        }
    }

    // Columns in [Column_SeqNo] order, as the window lists them.
    for (size_t l = 0; l < map.listings_.size(); ++l) {
        std::vector<Column>& columns = map.listings_[l].columns;
        std::vector<size_t> order(columns.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        const std::vector<int>& numbers = sequence[l];
        std::stable_sort(order.begin(), order.end(),
                         [&numbers](size_t a, size_t b) { return numbers[a] < numbers[b]; });
        std::vector<Column> sorted;
        sorted.reserve(columns.size());
        for (const size_t i : order)
            sorted.push_back(std::move(columns[i]));
        columns = std::move(sorted);
    }

    // Listings in catalogue order, tables by name within an area: the order of every report.
    std::vector<std::string> tableKeys(map.tables_.size());
    for (const auto& [key, table] : map.tableByName_)
        tableKeys[size_t(table)] = key;
    std::vector<int> order(map.listings_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(), [&map, &tableKeys](int a, int b) {
        const Listing& x = map.listings_[size_t(a)];
        const Listing& y = map.listings_[size_t(b)];
        if (x.area != y.area)
            return x.area < y.area;
        return tableKeys[size_t(x.table)] < tableKeys[size_t(y.table)];
    });
    std::vector<Listing> sorted;
    sorted.reserve(order.size());
    for (const int position : order)
        sorted.push_back(std::move(map.listings_[size_t(position)]));
    map.listings_ = std::move(sorted);
    for (size_t i = 0; i < map.listings_.size(); ++i)
        map.tables_[size_t(map.listings_[i].table)].listings.push_back(int(i));

    // The site names each area's table pages in the order the area's table list gives them.
    for (const FunctionalArea* area : exported) {
        const int position = int(area - functionalAreas().data());
        const QString code = QString::fromLatin1(area->code);
        Recordset tables;
        tables.Open(statements::areaTables(code), connection);
        UniqueFileNames fileNames;
        for (; !tables.Eof(); tables.MoveNext()) {
            const FieldValue& name = tables.Fields(0).Value;
            if (name.isNull())
                continue;
            const QString fileName = fileNames.take(name.toText());
            const int table = map.findTable(name.toText());
            const int listing = table < 0 ? -1 : map.findListing(position, table);
            if (listing >= 0)
                map.listings_[size_t(listing)].page = code + QLatin1Char('/') + fileName + QStringLiteral(".html");
        }
    }

    map.inferReferences();
    map.sortColumnUses();
    return map;
}

void DictionaryMap::inferReferences()
{
    // Tables whose whole primary key is one column, by that column's name.
    std::unordered_map<int, std::vector<int>> keyedBy;
    for (size_t t = 0; t < tables_.size(); ++t) {
        const Listing& listing = firstListing(int(t));
        int keyColumn = -1;
        int keyCount = 0;
        for (size_t c = 0; c < listing.columns.size(); ++c) {
            if (listing.columns[c].primaryKey) {
                keyColumn = int(c);
                ++keyCount;
            }
        }
        if (keyCount == 1)
            keyedBy[listing.columns[size_t(keyColumn)].use].push_back(int(t));
    }
    const auto keyColumnOf = [this](int table) -> const Column& {
        for (const Column& column : firstListing(table).columns) {
            if (column.primaryKey)
                return column;
        }
        return firstListing(table).columns.front();
    };

    for (size_t t = 0; t < tables_.size(); ++t) {
        const Listing& listing = firstListing(int(t));
        for (size_t c = 0; c < listing.columns.size(); ++c) {
            const Column& column = listing.columns[c];
            if (!column.foreignKey)
                continue;
            Reference reference;
            reference.table = int(t);
            reference.column = int(c);
            const auto found = keyedBy.find(column.use);
            if (found != keyedBy.end()) {
                for (const int candidate : found->second) {
                    if (candidate != int(t))
                        reference.candidates.push_back(candidate);
                }
            }
            if (reference.candidates.empty()) {
                reference.outcome = Outcome::NoCandidate;
                reference.reason = QStringLiteral("no other table has %1 as its whole primary key").arg(column.name);
            } else if (reference.candidates.size() > 1) {
                reference.outcome = Outcome::Ambiguous;
                QStringList names;
                for (const int candidate : reference.candidates)
                    names << tables_[size_t(candidate)].name;
                reference.reason = QStringLiteral("ambiguous: %1 is the whole primary key of %2")
                                       .arg(column.name, names.join(QStringLiteral(", ")));
            } else {
                const int target = reference.candidates.front();
                const Column& key = keyColumnOf(target);
                if (compatibleTypes(column.baseType, key.baseType)) {
                    reference.outcome = Outcome::Inferred;
                    reference.reason =
                        QStringLiteral("same name as the primary key of %1").arg(tables_[size_t(target)].name);
                    tables_[size_t(target)].referrers.push_back(int(references_.size()));
                } else {
                    reference.outcome = Outcome::TypeDiffers;
                    reference.reason = QStringLiteral("same name as the primary key of %1, but %2 there and %3 here")
                                           .arg(tables_[size_t(target)].name, key.dataType, column.dataType);
                }
            }
            tables_[t].references.push_back(int(references_.size()));
            references_.push_back(std::move(reference));
        }
    }
}

void DictionaryMap::sortColumnUses()
{
    // Names in order of their folded form; each gets an anchor on the site's page of its first character.
    std::vector<std::string> keys(columnUses_.size());
    for (const auto& [key, use] : columnUseByName_)
        keys[size_t(use)] = key;
    std::vector<int> order(columnUses_.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::sort(order.begin(), order.end(), [&keys](int a, int b) { return keys[size_t(a)] < keys[size_t(b)]; });
    std::vector<int> renumbered(order.size());
    std::vector<ColumnUse> sorted;
    sorted.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        renumbered[size_t(order[i])] = int(i);
        sorted.push_back(std::move(columnUses_[size_t(order[i])]));
        columnUseByName_[keys[size_t(order[i])]] = int(i);
    }
    columnUses_ = std::move(sorted);
    for (Listing& listing : listings_) {
        for (Column& column : listing.columns)
            column.use = renumbered[size_t(column.use)];
    }

    std::map<QChar, UniqueFileNames> anchors;
    for (ColumnUse& use : columnUses_) {
        const QChar first = use.name.isEmpty() ? QChar() : use.name.front().toLower();
        const QChar page = (first >= QLatin1Char('a') && first <= QLatin1Char('z'))
                                   || (first >= QLatin1Char('0') && first <= QLatin1Char('9'))
                               ? first
                               : QLatin1Char('_');
        use.page = QStringLiteral("columns/%1.html#%2").arg(page, anchors[page].take(use.name));
    }
    // The tables of a name in the order of their first listing, the order the site and reports show.
    for (size_t t = 0; t < tables_.size(); ++t) {
        const Listing& listing = firstListing(int(t));
        for (size_t c = 0; c < listing.columns.size(); ++c)
            columnUses_[size_t(listing.columns[c].use)].uses.emplace_back(int(t), int(c));
    }
    std::vector<int> rank(tables_.size());
    for (size_t t = 0; t < tables_.size(); ++t)
        rank[t] = tables_[t].listings.front();
    for (ColumnUse& use : columnUses_) {
        std::sort(use.uses.begin(), use.uses.end(),
                  [&rank](const auto& a, const auto& b) { return rank[size_t(a.first)] < rank[size_t(b.first)]; });
    }
}

int DictionaryMap::findTable(const QString& name) const
{
    const auto found = tableByName_.find(nameKey(name));
    return found == tableByName_.end() ? -1 : found->second;
}

int DictionaryMap::findListing(int area, int table) const
{
    for (const int listing : tables_[size_t(table)].listings) {
        if (listings_[size_t(listing)].area == area)
            return listing;
    }
    return -1;
}

int DictionaryMap::findColumnUse(const QString& name) const
{
    const auto found = columnUseByName_.find(nameKey(name));
    return found == columnUseByName_.end() ? -1 : found->second;
}

QString DictionaryMap::tablePage(int table, int area) const
{
    const int own = findListing(area, table);
    if (own >= 0 && !listings_[size_t(own)].page.isEmpty())
        return listings_[size_t(own)].page;
    for (const int listing : tables_[size_t(table)].listings) {
        if (!listings_[size_t(listing)].page.isEmpty())
            return listings_[size_t(listing)].page;
    }
    return {};
}

}  // namespace volmira::exporting
