#pragma once

#include <QString>

#include <string>
#include <unordered_map>
#include <vector>

namespace volmira {
class Connection;
struct FunctionalArea;
}  // namespace volmira

namespace volmira::exporting {

// What spans the dictionary's tables: where each column name is used, and the references that the
// names imply, since the dictionary flags foreign keys but never names what they point to. Names are
// compared as the engine compares them, ignoring letter case. Read once, before anything is written,
// without the descriptions.
class DictionaryMap final {
public:
    struct Column final {
        QString name;
        QString dataType;  // as the window shows it: type(attributes)
        QString baseType;  // the type alone, folded
        bool primaryKey = false;
        bool foreignKey = false;
        int use = 0;  // the name's entry in columnUses()
    };

    // A table as one area lists it: its column rows, one per name (the first row of a name), in order.
    struct Listing final {
        int area = 0;  // position in the area catalogue
        int table = 0;
        std::vector<Column> columns;
        QString page;  // the site's page, relative to its root; empty when the export has none
    };

    enum class Outcome { Inferred, NoCandidate, Ambiguous, TypeDiffers };

    // What a column flagged as a foreign key refers to, with the reason.
    struct Reference final {
        int table = 0;
        int column = 0;  // in the table's first listing
        Outcome outcome = Outcome::NoCandidate;
        std::vector<int> candidates;  // the tables whose whole primary key has the column's name
        QString reason;
    };

    struct Table final {
        QString name;
        std::vector<int> listings;    // in catalogue order of their areas
        std::vector<int> references;  // the references of its foreign keys
        std::vector<int> referrers;   // the inferred references that point to it
    };

    // One column name and the tables that hold it, in the order of the tables.
    struct ColumnUse final {
        QString name;
        std::vector<std::pair<int, int>> uses;  // table, column in its first listing
        QString page;                           // the site's page with its anchor, relative to the root
    };

    // Reads every area's rows; `exported` are the areas the export writes pages for.
    static DictionaryMap read(const Connection& connection, const std::vector<const FunctionalArea*>& exported);

    const std::vector<Table>& tables() const { return tables_; }
    const std::vector<Listing>& listings() const { return listings_; }
    const std::vector<Reference>& references() const { return references_; }
    const std::vector<ColumnUse>& columnUses() const { return columnUses_; }

    // The table's first listing: the one its references and where-used entries read.
    const Listing& firstListing(int table) const { return listings_[size_t(tables_[size_t(table)].listings.front())]; }
    // -1 when the name is no table.
    int findTable(const QString& name) const;
    // The listing of a table under an area, -1 when the area does not list it.
    int findListing(int area, int table) const;
    // The column name's entry in columnUses(), -1 when no table holds it.
    int findColumnUse(const QString& name) const;
    // The page of a table: its page under `area` when there is one, else its first page; empty without.
    QString tablePage(int table, int area) const;

private:
    void inferReferences();
    void sortColumnUses();

    std::vector<Table> tables_;
    std::vector<Listing> listings_;
    std::vector<Reference> references_;
    std::vector<ColumnUse> columnUses_;
    std::unordered_map<std::string, int> tableByName_;
    std::unordered_map<std::string, int> columnUseByName_;
};

// The key under which the engine takes two names as one.
std::string nameKey(const QString& name);

// The dictionary's data types in families whose values join: the texts, the whole numbers, the
// decimals, the dates. Other types are compatible only with themselves.
bool compatibleTypes(const QString& foldedType, const QString& otherFoldedType);

}  // namespace volmira::exporting
