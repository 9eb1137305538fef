#pragma once

#include "dictionary/engine.h"
#include "dictionary/tablesink.h"

#include <QString>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace volmira {

// A search over the rows of one table, with the table's columns by position:
//   SELECT DISTINCT <select> FROM t WHERE <column = text>... AND <InStr(column, text) > 0>... ORDER BY <order>
struct SearchQuery {
    std::vector<int> select;
    std::vector<std::pair<int, QString>> equals;
    std::vector<std::pair<int, QString>> contains;
    std::vector<std::pair<int, bool>> order;  // column, descending
};

// Answers the searches that read every row of a large table faster than a scan of the SQL database:
// key columns (short texts such as table names and area codes) are held as numbers of their distinct
// values; searched columns are searched, ignoring letter case, where the caller keeps the rows' texts;
// a row whose result row is already found is skipped without being searched.
class SearchStore final {
public:
    SearchStore(std::vector<int> keyColumns, std::vector<int> searchedColumns);

    // The texts of the searched columns must stay where they are for the store's life.
    void add(const CellView* cells, int count);
    // After the last row. A column that held anything but text and Null makes the store unusable.
    void finish();
    bool usable() const noexcept { return usable_; }

    bool isKey(int column) const noexcept { return keyIndex(column) >= 0; }
    // A searched column, or a key column, whose distinct values are searched instead of its rows.
    bool isSearched(int column) const noexcept { return searchedIndex(column) >= 0 || isKey(column); }

    // The rows (0-based, ascending) whose key column holds the text, ignoring letter case.
    struct Rows {
        const std::uint32_t* first = nullptr;
        size_t count = 0;
    };
    Rows rowsWith(int keyColumn, const QString& text) const;

    // The rows in Jet's order for a DISTINCT statement: the ORDER BY columns, then the selected ones.
    Engine::Result run(const SearchQuery& query) const;

private:
    struct Key {
        int column;
        std::vector<std::uint32_t> ids;          // per row; 0 is Null
        std::vector<std::string> spellings;      // per id, as first stored; [0] unused
        std::vector<const std::string*> folded;  // per id, the key of idOfFolded; [0] unused
        std::unordered_map<std::string, std::uint32_t> idOfFolded;
        std::vector<std::uint32_t> postingStart;  // per id: where its rows start in `postings`
        std::vector<std::uint32_t> postings;      // row numbers grouped by id, ascending
        std::vector<std::uint32_t> rank;          // per id, its place in text order; Null (0) first
        std::string previous;                     // the text of the last row, while adding rows
    };
    // An empty text and Null are both empty, which no search finds anything in.
    struct Searched {
        int column;
        std::vector<std::string_view> texts;  // per row
    };

    struct Filter;

    int keyIndex(int column) const noexcept;
    int searchedIndex(int column) const noexcept;
    // The steps of run: the WHERE clause, the distinct rows that pass it, and their order.
    Filter filterOf(const SearchQuery& query) const;
    std::vector<std::uint32_t> distinctRows(const Filter& filter, const std::vector<const Key*>& selected) const;
    static std::vector<size_t> jetOrder(const SearchQuery& query, const std::vector<const Key*>& selected,
                                        const std::vector<std::uint32_t>& found);

    std::vector<Key> keys_;
    std::vector<Searched> searched_;
    std::uint32_t rows_ = 0;
    std::string folded_;  // reused while adding rows
    bool usable_ = true;
};

}  // namespace volmira
