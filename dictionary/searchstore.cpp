#include "dictionary/searchstore.h"

#include "dictionary/textfold.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace volmira {

namespace {

// Whether needle occurs in text, bytewise. Candidates are the places where both the first and the last
// byte of the needle match, sixteen places at a time; only those are compared whole.
bool containsBytes(const char* text, size_t length, const std::string& needle) noexcept
{
    const size_t m = needle.size();
    if (m == 0)
        return true;
    if (m > length)
        return false;
    if (m == 1)
        return std::memchr(text, needle[0], length) != nullptr;
    const size_t last = length - m;  // the last start a match can have
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(needle[0]);
    const __m128i final = _mm_set1_epi8(needle[m - 1]);
    for (; i + 16 <= last + 1; i += 16) {
        const __m128i a = _mm_cmpeq_epi8(first, _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i)));
        const __m128i b = _mm_cmpeq_epi8(final, _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i + m - 1)));
        unsigned mask = unsigned(_mm_movemask_epi8(_mm_and_si128(a, b)));
        while (mask) {
            const size_t at = i + size_t(__builtin_ctz(mask));
            if (std::memcmp(text + at + 1, needle.data() + 1, m - 2) == 0)
                return true;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= last; ++i)
        if (text[i] == needle[0] && std::memcmp(text + i + 1, needle.data() + 1, m - 1) == 0)
            return true;
    return false;
}

}  // namespace

SearchStore::SearchStore(std::vector<int> keyColumns, std::vector<int> searchedColumns)
{
    for (int column : keyColumns) {
        Key key;
        key.column = column;
        key.spellings.emplace_back();  // id 0 is Null
        key.folded.push_back(nullptr);
        keys_.push_back(std::move(key));
    }
    for (int column : searchedColumns) {
        Searched searched;
        searched.column = column;
        searched_.push_back(std::move(searched));
    }
}

int SearchStore::keyIndex(int column) const noexcept
{
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i].column == column)
            return int(i);
    return -1;
}

int SearchStore::searchedIndex(int column) const noexcept
{
    for (size_t i = 0; i < searched_.size(); ++i)
        if (searched_[i].column == column)
            return int(i);
    return -1;
}

void SearchStore::add(const CellView* cells, int count)
{
    if (!usable_)
        return;
    static const CellView null;
    for (Key& key : keys_) {
        const CellView& cell = key.column < count ? cells[key.column] : null;
        if (cell.kind == CellView::Kind::Null) {
            key.ids.push_back(0);
            continue;
        }
        if (cell.kind != CellView::Kind::Text) {
            usable_ = false;
            return;
        }
        // Rows come grouped by table: a key mostly holds what it held in the row before.
        if (!key.ids.empty() && key.ids.back() != 0 && cell.text == key.previous) {
            key.ids.push_back(key.ids.back());
            continue;
        }
        key.previous.assign(cell.text);
        folded_.clear();
        textfold::appendFolded(folded_, cell.text);
        const auto [found, inserted] = key.idOfFolded.try_emplace(folded_, std::uint32_t(key.spellings.size()));
        if (inserted) {
            key.spellings.emplace_back(cell.text);
            key.folded.push_back(&found->first);  // the keys of an unordered_map stay where they are
        }
        key.ids.push_back(found->second);
    }
    for (Searched& searched : searched_) {
        const CellView& cell = searched.column < count ? cells[searched.column] : null;
        if (cell.kind == CellView::Kind::Text)
            searched.texts.push_back(cell.text);
        else if (cell.kind == CellView::Kind::Null)
            searched.texts.emplace_back();
        else
            usable_ = false;
    }
    ++rows_;
}

void SearchStore::finish()
{
    if (!usable_) {
        keys_.clear();
        searched_.clear();
        return;
    }
    for (Key& key : keys_) {
        key.previous = std::string();
        key.postingStart.assign(key.spellings.size() + 1, 0);
        for (std::uint32_t id : key.ids)
            ++key.postingStart[id + 1];
        for (size_t i = 1; i < key.postingStart.size(); ++i)
            key.postingStart[i] += key.postingStart[i - 1];
        key.postings.resize(key.ids.size());
        std::vector<std::uint32_t> next(key.postingStart.begin(), key.postingStart.end() - 1);
        for (std::uint32_t row = 0; row < rows_; ++row)
            key.postings[next[key.ids[row]]++] = row;

        // Sorted once here, so that results sort by number.
        std::vector<std::uint32_t> byText(key.spellings.size());
        for (std::uint32_t id = 0; id < byText.size(); ++id)
            byText[id] = id;
        std::sort(byText.begin() + 1, byText.end(), [&key](std::uint32_t a, std::uint32_t b) {
            return textfold::compare(key.spellings[a], key.spellings[b]) < 0;
        });
        key.rank.resize(byText.size());
        for (std::uint32_t place = 0; place < byText.size(); ++place)
            key.rank[byText[place]] = place;
    }
}

SearchStore::Rows SearchStore::rowsWith(int keyColumn, const QString& text) const
{
    const Key& key = keys_[size_t(keyIndex(keyColumn))];
    const auto found = key.idOfFolded.find(textfold::foldedUtf8(text.toStdString()));
    if (found == key.idOfFolded.end())
        return {};
    const std::uint32_t id = found->second;
    return {key.postings.data() + key.postingStart[id], size_t(key.postingStart[id + 1] - key.postingStart[id])};
}

// A statement's WHERE clause over the store: the rows a result row may come from, and the test each of
// those rows must pass.
struct SearchStore::Filter {
    struct Equal {
        const Key* key;
        std::uint32_t id;
    };
    struct Contains {
        const Searched* searched;
        std::vector<char32_t> needle;  // folded
    };
    // A key column is searched once per distinct value: its rows then hold when their value does.
    struct KeyContains {
        const Key* key;
        std::vector<char> holds;  // per id
    };
    std::vector<Equal> equals;
    std::vector<Contains> contains;
    std::vector<KeyContains> keyContains;
    bool matchesNothing = false;  // an '=' value no row holds

    bool holds(std::uint32_t row) const
    {
        for (const Equal& e : equals)
            if (e.key->ids[row] != e.id)
                return false;
        for (const KeyContains& k : keyContains)
            if (!k.holds[k.key->ids[row]])
                return false;
        for (const Contains& c : contains)
            if (textfold::find(c.searched->texts[row], c.needle) == 0)
                return false;
        return true;
    }
};

SearchStore::Filter SearchStore::filterOf(const SearchQuery& query) const
{
    Filter filter;
    for (const auto& [column, text] : query.equals) {
        const Key& key = keys_[size_t(keyIndex(column))];
        const auto found = key.idOfFolded.find(textfold::foldedUtf8(text.toStdString()));
        if (found == key.idOfFolded.end()) {
            filter.matchesNothing = true;
            return filter;
        }
        filter.equals.push_back({&key, found->second});
    }
    for (const auto& [column, text] : query.contains) {
        const std::string utf8 = text.toStdString();
        if (searchedIndex(column) >= 0) {
            filter.contains.push_back({&searched_[size_t(searchedIndex(column))], textfold::foldedCodePoints(utf8)});
            continue;
        }
        const std::string needle = textfold::foldedUtf8(utf8);
        const Key& key = keys_[size_t(keyIndex(column))];
        Filter::KeyContains k{&key, std::vector<char>(key.spellings.size(), 0)};
        for (size_t id = 1; id < key.spellings.size(); ++id) {
            const std::string& value = *key.folded[id];
            k.holds[id] = !value.empty() && containsBytes(value.data(), value.size(), needle);
        }
        filter.keyContains.push_back(std::move(k));
    }
    return filter;
}

// The distinct result rows as ids of the selected keys, one row after the other, in the order found.
std::vector<std::uint32_t> SearchStore::distinctRows(const Filter& filter,
                                                     const std::vector<const Key*>& selected) const
{
    std::vector<std::uint32_t> found;
    const size_t width = selected.size();
    std::vector<char> seenSingle(width == 1 ? selected[0]->spellings.size() : 0, 0);
    std::unordered_set<std::string> seenTuples;
    std::string tuple;
    auto visit = [&](std::uint32_t row) {
        // A row that adds no new result row is not searched.
        if (width == 1) {
            const std::uint32_t id = selected[0]->ids[row];
            if (seenSingle[id] || !filter.holds(row))
                return;
            seenSingle[id] = 1;
            found.push_back(id);
            return;
        }
        tuple.clear();
        for (const Key* key : selected)
            tuple.append(reinterpret_cast<const char*>(&key->ids[row]), sizeof(std::uint32_t));
        if (seenTuples.count(tuple) || !filter.holds(row))
            return;
        seenTuples.insert(tuple);
        for (const Key* key : selected)
            found.push_back(key->ids[row]);
    };
    if (!filter.equals.empty()) {
        const Key& key = *filter.equals.front().key;
        const std::uint32_t id = filter.equals.front().id;
        for (std::uint32_t i = key.postingStart[id]; i < key.postingStart[id + 1]; ++i)
            visit(key.postings[i]);
    } else {
        for (std::uint32_t row = 0; row < rows_; ++row)
            visit(row);
    }
    return found;
}

// Jet's order of the result rows: the ORDER BY columns, then the other selected columns ascending; Null
// first. Gives the result rows' numbers in that order.
std::vector<size_t> SearchStore::jetOrder(const SearchQuery& query, const std::vector<const Key*>& selected,
                                          const std::vector<std::uint32_t>& found)
{
    const size_t width = selected.size();
    std::vector<std::pair<size_t, bool>> sortKeys;  // position in the tuple, descending
    for (const auto& [column, descending] : query.order)
        for (size_t i = 0; i < width; ++i)
            if (query.select[i] == column)
                sortKeys.emplace_back(i, descending);
    for (size_t i = 0; i < width; ++i)
        if (std::none_of(sortKeys.begin(), sortKeys.end(), [&](const auto& k) { return k.first == i; }))
            sortKeys.emplace_back(i, false);
    const size_t resultRows = width ? found.size() / width : 0;
    std::vector<size_t> order(resultRows);
    for (size_t i = 0; i < resultRows; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (const auto& [position, descending] : sortKeys) {
            const std::vector<std::uint32_t>& rank = selected[position]->rank;
            const std::uint32_t x = rank[found[a * width + position]];
            const std::uint32_t y = rank[found[b * width + position]];
            if (x != y)
                return descending ? x > y : x < y;
        }
        return false;
    });
    return order;
}

Engine::Result SearchStore::run(const SearchQuery& query) const
{
    Engine::Result result;
    result.columnCount = int(query.select.size());
    const Filter filter = filterOf(query);
    if (filter.matchesNothing)
        return result;
    std::vector<const Key*> selected;
    for (int column : query.select)
        selected.push_back(&keys_[size_t(keyIndex(column))]);

    const std::vector<std::uint32_t> found = distinctRows(filter, selected);
    const size_t width = selected.size();
    const std::vector<size_t> order = jetOrder(query, selected, found);
    result.cells.reserve(order.size() * width);
    for (size_t r : order) {
        for (size_t i = 0; i < width; ++i) {
            const std::uint32_t id = found[r * width + i];
            const std::string& spelling = selected[i]->spellings[id];
            result.cells.push_back(
                Field{id ? FieldValue::text(QString::fromUtf8(spelling.data(), int(spelling.size()))) : FieldValue()});
        }
    }
    return result;
}

}  // namespace volmira
