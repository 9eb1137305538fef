#include "cli/diff/comparison.h"

#include "cli/diff/twohalves.h"

#include <QStringList>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <unordered_map>

namespace volmira::diff {

QString kindName(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::TableAdded: return QStringLiteral("table-added");
    case ChangeKind::TableRemoved: return QStringLiteral("table-removed");
    case ChangeKind::TableMoved: return QStringLiteral("table-moved");
    case ChangeKind::TableChanged: return QStringLiteral("table-changed");
    case ChangeKind::ColumnRemoved: return QStringLiteral("column-removed");
    case ChangeKind::ColumnAdded: return QStringLiteral("column-added");
    case ChangeKind::PossibleRename: return QStringLiteral("possible-rename");
    case ChangeKind::ColumnReordered: return QStringLiteral("column-reordered");
    case ChangeKind::ColumnChanged: return QStringLiteral("column-changed");
    case ChangeKind::ValueRemoved: return QStringLiteral("value-removed");
    case ChangeKind::ValueAdded: return QStringLiteral("value-added");
    case ChangeKind::ValueChanged: return QStringLiteral("value-changed");
    }
    return {};
}

QString kindTitle(ChangeKind kind)
{
    switch (kind) {
    case ChangeKind::TableAdded: return QStringLiteral("tables added");
    case ChangeKind::TableRemoved: return QStringLiteral("tables removed");
    case ChangeKind::TableMoved: return QStringLiteral("tables moved to another area");
    case ChangeKind::TableChanged: return QStringLiteral("table descriptions changed");
    case ChangeKind::ColumnRemoved: return QStringLiteral("columns removed");
    case ChangeKind::ColumnAdded: return QStringLiteral("columns added");
    case ChangeKind::PossibleRename: return QStringLiteral("possible renames (suggestions)");
    case ChangeKind::ColumnReordered: return QStringLiteral("columns reordered");
    case ChangeKind::ColumnChanged: return QStringLiteral("column attributes changed");
    case ChangeKind::ValueRemoved: return QStringLiteral("valid values removed");
    case ChangeKind::ValueAdded: return QStringLiteral("valid values added");
    case ChangeKind::ValueChanged: return QStringLiteral("valid value descriptions changed");
    }
    return {};
}

QString attributeName(Attribute attribute)
{
    switch (attribute) {
    case Attribute::None: return {};
    case Attribute::LogicalName: return QStringLiteral("logical name");
    case Attribute::Description: return QStringLiteral("description");
    case Attribute::Position: return QStringLiteral("position");
    case Attribute::DataType: return QStringLiteral("data type");
    case Attribute::PrimaryKey: return QStringLiteral("primary key");
    case Attribute::ForeignKey: return QStringLiteral("foreign key");
    case Attribute::LogicalDescription: return QStringLiteral("logical description");
    case Attribute::DataDefinition: return QStringLiteral("data definition");
    case Attribute::ScreenLabel: return QStringLiteral("screen label");
    case Attribute::ScreenControl: return QStringLiteral("screen control");
    case Attribute::ValueDescription: return QStringLiteral("value description");
    }
    return {};
}

bool comparedByWords(Attribute attribute)
{
    return attribute == Attribute::LogicalName || attribute == Attribute::Description
           || attribute == Attribute::LogicalDescription || attribute == Attribute::DataDefinition
           || attribute == Attribute::ValueDescription;
}

int Comparison::changeCount() const { return int(changes.size()) - count(ChangeKind::PossibleRename); }

int Comparison::count(ChangeKind kind) const
{
    return int(std::count_if(changes.begin(), changes.end(), [kind](const Change& c) { return c.kind == kind; }));
}

int Comparison::countInArea(int area) const
{
    return int(std::count_if(changes.begin(), changes.end(), [area](const Change& c) {
        return c.area == area && c.kind != ChangeKind::PossibleRename;
    }));
}

namespace {

std::string_view yesNo(bool flag) { return flag ? "Yes" : "No"; }

// Items keyed by their folded name and how many items of that name came before, so that a name listed
// twice is compared with the same name's second listing.
template <typename Item, typename NameOf>
std::vector<std::string> occurrenceKeys(const std::vector<Item>& items, const NameOf& nameOf)
{
    std::unordered_map<std::string, int> seen;
    std::vector<std::string> keys;
    keys.reserve(items.size());
    for (const Item& item : items) {
        std::string key = nameOf(item);
        key += '\n' + std::to_string(seen[key]++);
        keys.push_back(std::move(key));
    }
    return keys;
}

std::unordered_map<std::string, std::size_t> positions(const std::vector<std::string>& keys)
{
    std::unordered_map<std::string, std::size_t> at;
    for (std::size_t i = 0; i < keys.size(); ++i)
        at.emplace(keys[i], i);
    return at;
}

// Marks the longest increasing run of `sequence`: the items that kept their order.
std::vector<bool> longestIncreasing(const std::vector<std::size_t>& sequence)
{
    std::vector<std::size_t> tails;  // index into sequence of the smallest tail of each length
    std::vector<std::ptrdiff_t> previous(sequence.size(), -1);
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), sequence[i],
                                            [&sequence](std::size_t t, std::size_t v) { return sequence[t] < v; });
        if (place != tails.begin())
            previous[i] = std::ptrdiff_t(*(place - 1));
        if (place == tails.end())
            tails.push_back(i);
        else
            *place = i;
    }
    std::vector<bool> kept(sequence.size(), false);
    for (std::ptrdiff_t i = tails.empty() ? -1 : std::ptrdiff_t(tails.back()); i >= 0; i = previous[std::size_t(i)])
        kept[std::size_t(i)] = true;
    return kept;
}

// The distinct words of a column's descriptions, ignoring letter case, sorted.
std::vector<QString> descriptionWords(const SnapshotColumn& column)
{
    const QString joined =
        qText(shownText(column.logicalDescription)) + QLatin1Char(' ') + qText(shownText(column.dataDefinition));
    QStringList words = joined.toCaseFolded().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    return {words.begin(), words.end()};
}

bool similarDescriptions(const std::vector<QString>& wordsA, const std::vector<QString>& wordsB)
{
    if (wordsA.empty() || wordsB.empty())
        return false;
    std::size_t shared = 0;
    for (auto a = wordsA.begin(), b = wordsB.begin(); a != wordsA.end() && b != wordsB.end();) {
        if (*a < *b) {
            ++a;
        } else if (*b < *a) {
            ++b;
        } else {
            ++shared;
            ++a;
            ++b;
        }
    }
    return 2 * shared >= wordsA.size() + wordsB.size() - shared;  // at least half of all their words
}

bool sameText(const SnapshotText& a, const SnapshotText& b) { return a.null == b.null && a.text == b.text; }

std::string dataTypeOf(const SnapshotColumn& column) { return shownDataType(column.dataType, column.dataAttributes); }

class TableComparer final {
public:
    TableComparer(int area, QString table, std::vector<Change>& out) : area_(area), table_(std::move(table)), out_(out)
    {}

    void compare(const SnapshotTable& before, const SnapshotTable& after)
    {
        text(ChangeKind::TableChanged, Attribute::LogicalName, {}, shownText(before.logicalName),
             shownText(after.logicalName));
        text(ChangeKind::TableChanged, Attribute::Description, {}, shownText(before.description),
             shownText(after.description));
        compareColumns(before.columns, after.columns);
    }

private:
    Change change(ChangeKind kind, std::string_view column = {}) const
    {
        Change c{kind};
        c.area = area_;
        c.table = table_;
        c.column = qText(column);
        return c;
    }

    void text(ChangeKind kind, Attribute attribute, std::string_view column, std::string_view before,
              std::string_view after)
    {
        if (before == after)
            return;
        Change c = change(kind, column);
        c.attribute = attribute;
        c.before = qText(before);
        c.after = qText(after);
        out_.push_back(std::move(c));
    }

    void presence(ChangeKind kind, const SnapshotColumn& column)
    {
        Change c = change(kind, shownText(column.column));
        c.attribute = Attribute::DataType;
        (kind == ChangeKind::ColumnAdded ? c.after : c.before) = qText(dataTypeOf(column));
        c.note = QStringLiteral("position ") + qText(shownText(column.position));
        out_.push_back(std::move(c));
    }

    void compareColumns(const std::vector<SnapshotColumn>& before, const std::vector<SnapshotColumn>& after)
    {
        // Most tables keep their columns: then they pair up in order, without keys.
        if (std::equal(before.begin(), before.end(), after.begin(), after.end(),
                       [](const SnapshotColumn& a, const SnapshotColumn& b) {
                           return shownText(a.column) == shownText(b.column);
                       })) {
            for (std::size_t i = 0; i < before.size(); ++i)
                compareColumn(before[i], after[i]);
            return;
        }
        const auto name = [](const SnapshotColumn& c) { return foldedKey(shownText(c.column)); };
        const std::vector<std::string> oldKeys = occurrenceKeys(before, name);
        const std::vector<std::string> newKeys = occurrenceKeys(after, name);
        const auto oldAt = positions(oldKeys);
        const auto newAt = positions(newKeys);

        std::vector<std::size_t> removed, added;
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (!newAt.count(oldKeys[i])) {
                removed.push_back(i);
                presence(ChangeKind::ColumnRemoved, before[i]);
            }
        }
        for (std::size_t j = 0; j < after.size(); ++j) {
            if (!oldAt.count(newKeys[j])) {
                added.push_back(j);
                presence(ChangeKind::ColumnAdded, after[j]);
            }
        }
        suggestRenames(before, removed, after, added);

        std::vector<std::size_t> oldOrder;  // of the columns both have, in the new order
        std::vector<std::size_t> shared;
        for (std::size_t j = 0; j < after.size(); ++j) {
            const auto old = oldAt.find(newKeys[j]);
            if (old != oldAt.end()) {
                shared.push_back(j);
                oldOrder.push_back(old->second);
            }
        }
        const std::vector<bool> keptOrder = longestIncreasing(oldOrder);
        for (std::size_t k = 0; k < shared.size(); ++k) {
            const SnapshotColumn& a = before[oldOrder[k]];
            const SnapshotColumn& b = after[shared[k]];
            if (!keptOrder[k]) {
                Change c = change(ChangeKind::ColumnReordered, shownText(b.column));
                c.attribute = Attribute::Position;
                c.before = qText(shownText(a.position));
                c.after = qText(shownText(b.position));
                out_.push_back(std::move(c));
            }
            compareColumn(a, b);
        }
    }

    void compareColumn(const SnapshotColumn& a, const SnapshotColumn& b)
    {
        const std::string_view name = shownText(b.column);
        const auto attribute = [&](Attribute which, std::string_view before, std::string_view after) {
            text(ChangeKind::ColumnChanged, which, name, before, after);
        };
        // The type and its attributes as stored show alike; only when they differ is the box's text made.
        if (!sameText(a.dataType, b.dataType) || !sameText(a.dataAttributes, b.dataAttributes))
            attribute(Attribute::DataType, dataTypeOf(a), dataTypeOf(b));
        attribute(Attribute::PrimaryKey, yesNo(a.primaryKey), yesNo(b.primaryKey));
        attribute(Attribute::ForeignKey, yesNo(a.foreignKey), yesNo(b.foreignKey));
        attribute(Attribute::LogicalDescription, shownText(a.logicalDescription), shownText(b.logicalDescription));
        attribute(Attribute::DataDefinition, shownText(a.dataDefinition), shownText(b.dataDefinition));
        attribute(Attribute::ScreenLabel, shownGuiText(a.guiLabel), shownGuiText(b.guiLabel));
        attribute(Attribute::ScreenControl, shownGuiText(a.guiControl), shownGuiText(b.guiControl));
        static const std::vector<SnapshotValue> none;
        compareValues(name, a.values ? *a.values : none, b.values ? *b.values : none);
    }

    void compareValues(std::string_view column, const std::vector<SnapshotValue>& before,
                       const std::vector<SnapshotValue>& after)
    {
        if (std::equal(before.begin(), before.end(), after.begin(), after.end(),
                       [](const SnapshotValue& a, const SnapshotValue& b) {
                           return a.value == b.value && a.description == b.description;
                       }))
            return;
        const auto value = [](const SnapshotValue& v) { return std::string(v.value); };
        const std::vector<std::string> oldKeys = occurrenceKeys(before, value);
        const std::vector<std::string> newKeys = occurrenceKeys(after, value);
        const auto oldAt = positions(oldKeys);
        const auto newAt = positions(newKeys);
        const auto valueChange = [&](ChangeKind kind, const SnapshotValue& v) {
            Change c = change(kind, column);
            c.value = qText(v.value);
            c.attribute = Attribute::ValueDescription;
            return c;
        };
        for (std::size_t i = 0; i < before.size(); ++i) {
            if (!newAt.count(oldKeys[i])) {
                Change c = valueChange(ChangeKind::ValueRemoved, before[i]);
                c.before = qText(before[i].description);
                out_.push_back(std::move(c));
            }
        }
        for (std::size_t j = 0; j < after.size(); ++j) {
            const auto old = oldAt.find(newKeys[j]);
            if (old == oldAt.end()) {
                Change c = valueChange(ChangeKind::ValueAdded, after[j]);
                c.after = qText(after[j].description);
                out_.push_back(std::move(c));
            }
        }
        for (std::size_t j = 0; j < after.size(); ++j) {
            const auto old = oldAt.find(newKeys[j]);
            if (old != oldAt.end() && before[old->second].description != after[j].description) {
                Change c = valueChange(ChangeKind::ValueChanged, after[j]);
                c.before = qText(before[old->second].description);
                c.after = qText(after[j].description);
                out_.push_back(std::move(c));
            }
        }
    }

    // A removed and an added column that share at least two of type, position and description.
    void suggestRenames(const std::vector<SnapshotColumn>& before, const std::vector<std::size_t>& removed,
                        const std::vector<SnapshotColumn>& after, const std::vector<std::size_t>& added)
    {
        struct Candidate {
            int score;
            std::size_t removed;
            std::size_t added;
            QString note;
        };
        std::vector<Candidate> candidates;
        // A table rebuilt from scratch is no set of renames; the pairs to weigh are bounded.
        if (removed.size() * added.size() > 250'000)
            return;
        struct Weighed {
            std::string dataType;
            std::vector<QString> words;
        };
        const auto weigh = [](const std::vector<SnapshotColumn>& columns, const std::vector<std::size_t>& at) {
            std::vector<Weighed> weighed;
            for (const std::size_t i : at)
                weighed.push_back({dataTypeOf(columns[i]), descriptionWords(columns[i])});
            return weighed;
        };
        const std::vector<Weighed> olds = weigh(before, removed);
        const std::vector<Weighed> freshes = weigh(after, added);
        for (std::size_t r = 0; r < removed.size(); ++r) {
            for (std::size_t a = 0; a < added.size(); ++a) {
                QStringList shared;
                if (olds[r].dataType == freshes[a].dataType)
                    shared << QStringLiteral("same data type");
                if (shownText(before[removed[r]].position) == shownText(after[added[a]].position))
                    shared << QStringLiteral("same position");
                if (similarDescriptions(olds[r].words, freshes[a].words))
                    shared << QStringLiteral("similar description");
                if (shared.size() >= 2)
                    candidates.push_back({int(shared.size()), r, a, shared.join(QStringLiteral(", "))});
            }
        }
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate& x, const Candidate& y) { return x.score > y.score; });
        std::vector<bool> removedTaken(removed.size()), addedTaken(added.size());
        std::vector<Candidate> chosen;
        for (const Candidate& c : candidates) {
            if (removedTaken[c.removed] || addedTaken[c.added])
                continue;
            removedTaken[c.removed] = addedTaken[c.added] = true;
            chosen.push_back(c);
        }
        std::sort(chosen.begin(), chosen.end(),
                  [](const Candidate& x, const Candidate& y) { return x.removed < y.removed; });
        for (const Candidate& c : chosen) {
            Change rename = change(ChangeKind::PossibleRename, shownText(before[removed[c.removed]].column));
            rename.after = qText(shownText(after[added[c.added]].column));
            rename.note = c.note;
            out_.push_back(std::move(rename));
        }
    }

    int area_;
    QString table_;
    std::vector<Change>& out_;
};

struct Placed final {
    int area;
    const SnapshotTable* table;
};

// Tables by folded name, each with the areas it is listed under in catalogue order.
std::map<std::string, std::vector<Placed>> tablesByName(const Snapshot& snapshot)
{
    std::map<std::string, std::vector<Placed>> byName;
    for (int area = 0; area < int(snapshot.areas.size()); ++area) {
        for (const SnapshotTable& table : snapshot.areas[std::size_t(area)].tables)
            byName[foldedKey(table.name)].push_back({area, &table});
    }
    return byName;
}

const Placed* inArea(const std::vector<Placed>& placed, int area)
{
    for (const Placed& p : placed) {
        if (p.area == area)
            return &p;
    }
    return nullptr;
}

struct TableChanges final {
    int area;
    std::string folded;
    QString name;
    std::vector<Change> changes;
};

Change tablePresence(ChangeKind kind, const Placed& placed)
{
    Change c{kind};
    c.area = placed.area;
    c.table = qText(placed.table->name);
    (kind == ChangeKind::TableAdded ? c.after : c.before) = qText(shownText(placed.table->logicalName));
    c.attribute = Attribute::LogicalName;
    const std::size_t columns = placed.table->columns.size();
    c.note = QString::number(columns) + (columns == 1 ? QStringLiteral(" column") : QStringLiteral(" columns"));
    return c;
}

using TablesByName = std::map<std::string, std::vector<Placed>>;

// The changes of the tables of the given names, a group for each table in each area.
std::vector<TableChanges> compareTables(const TablesByName& oldTables, const TablesByName& newTables,
                                        const std::string* names, std::size_t count)
{
    std::vector<TableChanges> groups;
    const auto group = [&groups](int area, const std::string& folded, std::string_view name) -> std::vector<Change>& {
        groups.push_back({area, folded, qText(name), {}});
        return groups.back().changes;
    };
    static const std::vector<Placed> none;
    for (std::size_t n = 0; n < count; ++n) {
        const std::string& folded = names[n];
        const auto oldFound = oldTables.find(folded);
        const auto newFound = newTables.find(folded);
        const std::vector<Placed>& was = oldFound == oldTables.end() ? none : oldFound->second;
        const std::vector<Placed>& is = newFound == newTables.end() ? none : newFound->second;
        std::vector<const Placed*> gone, come;
        for (const Placed& p : was) {
            if (const Placed* now = inArea(is, p.area)) {
                std::vector<Change>& out = group(p.area, folded, now->table->name);
                TableComparer(p.area, qText(now->table->name), out).compare(*p.table, *now->table);
            } else {
                gone.push_back(&p);
            }
        }
        for (const Placed& p : is) {
            if (!inArea(was, p.area))
                come.push_back(&p);
        }
        const std::size_t moves = std::min(gone.size(), come.size());
        for (std::size_t i = 0; i < moves; ++i) {
            std::vector<Change>& out = group(come[i]->area, folded, come[i]->table->name);
            Change moved{ChangeKind::TableMoved};
            moved.area = come[i]->area;
            moved.oldArea = gone[i]->area;
            moved.table = qText(come[i]->table->name);
            const QString name = moved.table;
            out.push_back(std::move(moved));
            TableComparer(come[i]->area, name, out).compare(*gone[i]->table, *come[i]->table);
        }
        for (std::size_t i = moves; i < gone.size(); ++i)
            group(gone[i]->area, folded, gone[i]->table->name)
                .push_back(tablePresence(ChangeKind::TableRemoved, *gone[i]));
        for (std::size_t i = moves; i < come.size(); ++i)
            group(come[i]->area, folded, come[i]->table->name)
                .push_back(tablePresence(ChangeKind::TableAdded, *come[i]));
    }
    return groups;
}

}  // namespace

Comparison compare(const Snapshot& before, const Snapshot& after, std::vector<AreaName> areas)
{
    Comparison result;
    result.areas = std::move(areas);
    result.oldVersion = before.version;
    result.newVersion = after.version;

    const TablesByName oldTables = tablesByName(before);
    const TablesByName newTables = tablesByName(after);
    std::vector<std::string> names;
    for (const auto& entry : oldTables)
        names.push_back(entry.first);
    for (const auto& entry : newTables) {
        if (!oldTables.count(entry.first))
            names.push_back(entry.first);
    }

    // Each table is compared on its own, so the names are compared in two halves at once. The groups
    // come together in the order of the names, as one pass would give them.
    std::vector<TableChanges> halves[2];
    inTwoHalves(names.size(), [&](int half, std::size_t begin, std::size_t end) {
        halves[half] = compareTables(oldTables, newTables, names.data() + begin, end - begin);
    });
    std::vector<TableChanges> groups = std::move(halves[0]);
    std::move(halves[1].begin(), halves[1].end(), std::back_inserter(groups));
    std::sort(groups.begin(), groups.end(), [](const TableChanges& x, const TableChanges& y) {
        if (x.area != y.area)
            return x.area < y.area;
        if (x.folded != y.folded)
            return x.folded < y.folded;
        return x.name < y.name;
    });
    for (TableChanges& g : groups) {
        for (Change& c : g.changes)
            result.changes.push_back(std::move(c));
    }
    return result;
}

}  // namespace volmira::diff
