#include "dictionary/sqliteengine.h"

#include "dictionary/error.h"
#include "dictionary/jetfunctions.h"
#include "dictionary/jetsql.h"
#include "dictionary/rowarena.h"
#include "dictionary/searchstore.h"
#include "dictionary/sqltranslator.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iterator>
#include <map>
#include <optional>

namespace volmira {

namespace {

// Every table the statements filter is given a search store instead of SQL indexes: its key columns (what
// the statements compare with '=') narrow a statement to the rows holding the value, and the DISTINCT
// searches and table lists are answered by the store alone. Building it costs a fraction of an index.
struct StorePlan {
    const char* table;
    std::vector<const char*> keys;
    std::vector<const char*> searchedTexts;
};
const std::vector<StorePlan>& storePlans()
{
    static const std::vector<StorePlan> plans{
        {"Main", {"Table", "Functional Area"}, {"Column", "PD_Definition"}},
        {"CDS_TBL_TABLE_DESC", {"Table", "Functional Area"}, {"Description"}},
        {"Values", {"Table"}, {}},
    };
    return plans;
}

const StorePlan* planFor(const QString& table)
{
    for (const StorePlan& plan : storePlans())
        if (table.compare(QLatin1String(plan.table), Qt::CaseInsensitive) == 0)
            return &plan;
    return nullptr;
}

QString columnSqlName(int index) { return QStringLiteral("c%1").arg(index); }

// A reference to a long text (StoredTable) is a byte that no UTF-8 text holds, then "table.rowid.column".
constexpr char longTextMark = '\xFF';

void longTextReference(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const QByteArray reference = longTextMark + QByteArray::number(sqlite3_value_int(arguments[0])) + '.'
                                 + QByteArray::number(sqlite3_value_int64(arguments[1])) + '.'
                                 + QByteArray::number(sqlite3_value_int(arguments[2]));
    sqlite3_result_text(context, reference.constData(), int(reference.size()), SQLITE_TRANSIENT);
}

}  // namespace

// The in-memory database with the tables read so far.
class SqliteEngine::Database final : public TableSink {
public:
    Database(TableReader reader, bool useSearchStores, Preload preload, size_t longTextBytes)
        : reader_(std::move(reader)), useSearchStores_(useSearchStores), longTextBytes_(longTextBytes)
    {
        if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK) {
            const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
            sqlite3_close(db_);
            db_ = nullptr;
            throw Error(ErrorNumber::EngineFailure,
                        QStringLiteral("Cannot create the in-memory database: %1").arg(message));
        }
        // Large pages keep long memo rows on one page; nothing is journalled: the database lives only here.
        execute("PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                "PRAGMA temp_store=MEMORY; PRAGMA locking_mode=EXCLUSIVE");
        try {
            if (sqlite3_create_collation_v2(db_, "JET", SQLITE_UTF8, this, jetCollation, nullptr) != SQLITE_OK
                || sqlite3_create_function_v2(db_, longTextFunction, 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                                              longTextReference, nullptr, nullptr, nullptr)
                       != SQLITE_OK)
                fail(QStringLiteral("installing the Jet collation"));
            jetfunctions::install(db_, &functionError_);
            load(preload == Preload::DictionaryTables ? statements::dictionaryTables() : QStringList());
        } catch (...) {
            sqlite3_close_v2(db_);
            throw;
        }
    }

    ~Database() override
    {
        sqlite3_finalize(insert_);
        sqlite3_close_v2(db_);
    }

    const StoredTable& table(const QString& name)
    {
        if (const StoredTable* found = findTable(name))
            return *found;
        if (catalog_.contains(name, Qt::CaseInsensitive)) {
            load({name});
            if (const StoredTable* found = findTable(name))
                return *found;
        }
        throw Error(ErrorNumber::TableNotFound, QStringLiteral("Cannot find the input table or query '%1'. Make sure "
                                                               "it exists and that its name is spelled correctly.")
                                                    .arg(name));
    }

    Result run(const QString& sql);
    Listing list(const QString& sql);

    // Reads, in one go, the tables a statement names that are not read yet and that the file has.
    void readMissing(const QStringList& names)
    {
        QStringList missing;
        for (const QString& name : names)
            if (!findTable(name) && catalog_.contains(name, Qt::CaseInsensitive)
                && !missing.contains(name, Qt::CaseInsensitive))
                missing << name;
        if (!missing.isEmpty())
            load(missing);
    }

    // TableSink: what the reader hands over.
    void catalog(const QStringList& userTables) override { catalog_ = userTables; }
    void beginTable(const QString& name, const std::vector<ColumnInfo>& columns) override;
    void row(const CellView* cells, int count) override;
    void endTable() override;

private:
    // The rows of a table kept aside (RowArena), and which of them are in SQLite already. The arena lives
    // as long as the table: its search store searches the texts where the arena holds them.
    struct AsideRows {
        std::unique_ptr<RowArena> rows;
        std::vector<bool> inDatabase;
        std::uint32_t missing = 0;
        QByteArray insert;
    };

    // Reads the tables the statement names that are not read yet, and translates it; raises the errors
    // of a missing table or column.
    Translation prepare(const QString& sql, const jetsql::SelectStatement& statement);
    // Runs a prepared statement: in the search store, from the kept rows or in SQLite.
    Result run(const QString& sql, const jetsql::SelectStatement& statement, Translation translation);
    // A plain listing of one table kept aside (plainListing), answered from the kept rows in the order of
    // the file, as SQLite would answer it.
    std::optional<Listing> listKeptRows(const jetsql::SelectStatement& statement, const Translation& translation);
    // Puts the given rows (0-based) of a table kept aside into SQLite, or all of them (rows null).
    void putRowsInDatabase(const StoredTable& table, const std::vector<std::uint32_t>* rows);
    void insertRow(sqlite3_stmt* insert, const StoredTable& table, const CellView* cells, int count,
                   std::int64_t rowid);
    // The columns of a row that hold a long text, one bit each.
    std::int64_t longTextColumns(const CellView* cells, int count) const;

    // The long text a reference stands for; null for any other text.
    const StoredTable::LongText* longText(std::string_view bytes) const
    {
        if (bytes.empty() || bytes.front() != longTextMark)
            return nullptr;
        const QList<QByteArray> parts = QByteArray(bytes.data() + 1, qsizetype(bytes.size() - 1)).split('.');
        if (parts.size() != 3)
            return nullptr;
        const int number = parts[0].toInt();
        for (const StoredTable& table : tables_) {
            if (table.number != number)
                continue;
            const auto found = table.longTexts.find(StoredTable::longTextKey(parts[1].toLongLong(), parts[2].toInt()));
            return found == table.longTexts.end() ? nullptr : &found->second;
        }
        return nullptr;
    }

    static int jetCollation(void* database, int lengthA, const void* a, int lengthB, const void* b)
    {
        const auto* self = static_cast<const Database*>(database);
        std::string_view textA(static_cast<const char*>(a), size_t(lengthA));
        std::string_view textB(static_cast<const char*>(b), size_t(lengthB));
        for (std::string_view* text : {&textA, &textB}) {
            if (const StoredTable::LongText* resolved = self->longText(*text)) {
                if (resolved->utf8.isNull())
                    resolved->utf8 = resolved->text.toUtf8();
                *text = std::string_view(resolved->utf8.constData(), size_t(resolved->utf8.size()));
            }
        }
        return textfold::compare(textA, textB);
    }

    FieldValue fieldValue(sqlite3_stmt* statement, int column, ColumnType type) const;

    const StoredTable* findTable(const QString& name) const
    {
        for (const StoredTable& table : tables_)
            if (table.name.compare(name, Qt::CaseInsensitive) == 0)
                return &table;
        return nullptr;
    }

    [[noreturn]] void fail(const QString& doing) const
    {
        if (sqlite3_errcode(db_) == SQLITE_NOMEM)
            throw outOfMemory();
        throw Error(ErrorNumber::EngineFailure,
                    QStringLiteral("In-memory database, %1: %2").arg(doing, QString::fromUtf8(sqlite3_errmsg(db_))));
    }

    void execute(const QString& sql)
    {
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            fail(QStringLiteral("running '%1'").arg(sql));
    }

    // One transaction for all tables read at once. Without a journal there is no rollback: when the
    // reading fails, the tables it created are dropped.
    void load(const QStringList& names)
    {
        execute(QStringLiteral("BEGIN"));
        const size_t tablesBefore = tables_.size();
        const int counterBefore = tableCounter_;
        try {
            reader_(names, *this);
        } catch (...) {
            sqlite3_finalize(insert_);
            insert_ = nullptr;
            loading_.reset();
            loadingArena_.reset();
            loadingInsert_.clear();
            skipping_ = false;
            for (size_t i = tablesBefore; i < tables_.size(); ++i)
                asideRows_.erase(tables_[i].number);
            tables_.resize(tablesBefore);
            for (int i = counterBefore; i < tableCounter_; ++i)
                sqlite3_exec(db_, QStringLiteral("DROP TABLE IF EXISTS t%1").arg(i).toUtf8().constData(), nullptr,
                             nullptr, nullptr);
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
            throw;
        }
        execute(QStringLiteral("COMMIT"));
    }

    TableReader reader_;
    bool useSearchStores_;
    size_t longTextBytes_;
    sqlite3* db_ = nullptr;
    QStringList catalog_;
    std::vector<StoredTable> tables_;
    std::unique_ptr<StoredTable> loading_;    // the table being read
    bool skipping_ = false;                   // a table read before is handed over again
    sqlite3_stmt* insert_ = nullptr;          // for a table that goes into SQLite as it is read
    std::unique_ptr<RowArena> loadingArena_;  // for a table kept aside
    QByteArray loadingInsert_;
    std::int64_t loadingRows_ = 0;
    std::map<int, AsideRows> asideRows_;  // by table number
    int tableCounter_ = 0;
    std::optional<Error> functionError_;  // what a Jet function raised while a statement ran
};

void SqliteEngine::Database::beginTable(const QString& name, const std::vector<ColumnInfo>& columns)
{
    skipping_ = findTable(name) != nullptr;
    if (skipping_)
        return;
    loading_ = std::make_unique<StoredTable>();
    loading_->name = name;
    loading_->number = tableCounter_++;
    loading_->sqlName = QStringLiteral("t%1").arg(loading_->number);
    loadingRows_ = 0;
    QString create = QStringLiteral("CREATE TABLE %1 (").arg(loading_->sqlName);
    QString insert = QStringLiteral("INSERT INTO %1 (rowid").arg(loading_->sqlName);
    QString values = QStringLiteral("?");
    for (size_t i = 0; i < columns.size(); ++i) {
        loading_->columns.push_back({columns[i].name, columns[i].type});
        // No declared type: every value keeps the kind it was stored with; text compares as Jet compares.
        create += (i ? QStringLiteral(", ") : QString()) + columnSqlName(int(i)) + QStringLiteral(" COLLATE JET");
        insert += QStringLiteral(", ") + columnSqlName(int(i));
        values += QStringLiteral(", ?");
    }
    if (columns.empty())
        create += QStringLiteral("c0");  // a table needs a column; it stays empty
    else
        create += QStringLiteral(", long_texts");
    if (const StorePlan* plan = planFor(name); plan && useSearchStores_) {
        // The columns of the plan that the table has: a statement naming a missing one fails anyway.
        std::vector<int> keys, texts;
        for (const char* column : plan->keys)
            if (const int index = loading_->findColumn(QString::fromLatin1(column)); index >= 0)
                keys.push_back(index);
        for (const char* column : plan->searchedTexts)
            if (const int index = loading_->findColumn(QString::fromLatin1(column)); index >= 0)
                texts.push_back(index);
        if (!keys.empty())
            loading_->store = std::make_unique<SearchStore>(keys, texts);
    }
    execute(create + u')');
    if (columns.empty())
        return;
    loadingInsert_ = (insert + QStringLiteral(", long_texts) VALUES (") + values + QStringLiteral(", ?)")).toUtf8();
    // A table with a search store keeps its rows aside: the store answers most statements, and a lookup
    // needs only the rows it narrows to, so most rows never have to go into SQLite.
    if (loading_->store)
        loadingArena_ = std::make_unique<RowArena>();
    else if (sqlite3_prepare_v2(db_, loadingInsert_.constData(), -1, &insert_, nullptr) != SQLITE_OK)
        fail(QStringLiteral("preparing to load %1").arg(name));
}

std::int64_t SqliteEngine::Database::longTextColumns(const CellView* cells, int count) const
{
    std::int64_t longTexts = 0;
    for (int i = 0; i < count && i < StoredTable::maximumLongTextColumns; ++i)
        if (cells[i].kind == CellView::Kind::Text && cells[i].text.size() >= longTextBytes_)
            longTexts |= std::int64_t(1) << i;
    return longTexts;
}

void SqliteEngine::Database::insertRow(sqlite3_stmt* insert, const StoredTable& table, const CellView* cells, int count,
                                       std::int64_t rowid)
{
    const int columnCount = int(table.columns.size());
    sqlite3_bind_int64(insert, 1, rowid);
    for (int i = 0; i < columnCount; ++i) {
        const int parameter = i + 2;
        if (i >= count) {
            sqlite3_bind_null(insert, parameter);
            continue;
        }
        const CellView& cell = cells[i];
        switch (cell.kind) {
        case CellView::Kind::Null: sqlite3_bind_null(insert, parameter); break;
        case CellView::Kind::Text:
            // A non-null pointer even for "": SQLite stores a null pointer as Null.
            sqlite3_bind_text(insert, parameter, cell.text.empty() ? "" : cell.text.data(), int(cell.text.size()),
                              SQLITE_STATIC);
            break;
        case CellView::Kind::YesNo: sqlite3_bind_int(insert, parameter, cell.number != 0 ? -1 : 0); break;
        case CellView::Kind::Single:
        case CellView::Kind::Date: sqlite3_bind_double(insert, parameter, cell.number); break;
        case CellView::Kind::Binary:
            // A non-null pointer for no bytes too: SQLite stores a null pointer as Null.
            sqlite3_bind_blob(insert, parameter, cell.text.empty() ? "" : cell.text.data(), int(cell.text.size()),
                              SQLITE_STATIC);
            break;
        case CellView::Kind::Number:
            // Whole numbers are stored as integers: smaller, and compared exactly.
            if (std::nearbyint(cell.number) == cell.number && std::fabs(cell.number) < 9.0e15)
                sqlite3_bind_int64(insert, parameter, sqlite3_int64(cell.number));
            else
                sqlite3_bind_double(insert, parameter, cell.number);
            break;
        }
    }
    sqlite3_bind_int64(insert, columnCount + 2, longTextColumns(cells, std::min(count, columnCount)));
    if (sqlite3_step(insert) != SQLITE_DONE)
        fail(QStringLiteral("loading %1").arg(table.name));
    sqlite3_reset(insert);
}

void SqliteEngine::Database::row(const CellView* cells, int count)
{
    if (skipping_ || loadingInsert_.isEmpty())
        return;
    const int columnCount = int(loading_->columns.size());
    const std::int64_t rowid = ++loadingRows_;  // rows are stored in order from rowid 1
    for (int i = 0; i < std::min(count, columnCount); ++i) {
        StoredColumn& column = loading_->columns[size_t(i)];
        switch (cells[i].kind) {
        case CellView::Kind::YesNo: column.sawYesNo = true; break;
        case CellView::Kind::Single: column.sawSingle = true; break;
        case CellView::Kind::Date: column.sawDate = true; break;
        default: break;
        }
    }
    const CellView* kept = cells;
    if (loadingArena_) {
        kept = loadingArena_->add(cells, std::min(count, columnCount)).data();
        count = std::min(count, columnCount);
    } else {
        insertRow(insert_, *loading_, cells, count, rowid);
    }
    if (const std::int64_t longTexts = longTextColumns(cells, std::min(count, columnCount))) {
        for (int i = 0; i < columnCount; ++i) {
            if (!(longTexts & (std::int64_t(1) << i)))
                continue;
            loading_->columns[size_t(i)].holdsLongTexts = true;
            loading_->longTexts.emplace(
                StoredTable::longTextKey(rowid, i),
                StoredTable::LongText{QString::fromUtf8(cells[i].text.data(), qsizetype(cells[i].text.size())), {}});
        }
    }
    if (loading_->store)
        loading_->store->add(kept, count);
}

void SqliteEngine::Database::endTable()
{
    if (skipping_) {
        skipping_ = false;
        return;
    }
    if (!loading_)
        return;
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    if (loading_->store) {
        loading_->store->finish();
        if (!loading_->store->usable())
            loading_->store.reset();
    }
    if (loadingArena_) {
        AsideRows& aside = asideRows_[loading_->number];
        aside.rows = std::move(loadingArena_);
        aside.inDatabase.assign(aside.rows->size(), false);
        aside.missing = aside.rows->size();
        aside.insert = loadingInsert_;
    }
    const StoredTable* stored = &tables_.emplace_back(std::move(*loading_));
    loading_.reset();
    loadingInsert_.clear();
    // Without a usable store nothing narrows the table's statements: its rows go into SQLite at once.
    if (!stored->store)
        putRowsInDatabase(*stored, nullptr);
}

void SqliteEngine::Database::putRowsInDatabase(const StoredTable& table, const std::vector<std::uint32_t>* rows)
{
    const auto found = asideRows_.find(table.number);
    if (found == asideRows_.end() || found->second.missing == 0)
        return;
    AsideRows& aside = found->second;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db_, aside.insert.constData(), -1, &insert, nullptr) != SQLITE_OK)
        fail(QStringLiteral("preparing to load %1").arg(table.name));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(insert, sqlite3_finalize);
    const bool inTransaction = !sqlite3_get_autocommit(db_);
    if (!inTransaction)
        execute(QStringLiteral("BEGIN"));
    auto put = [&](std::uint32_t row) {
        if (row >= aside.inDatabase.size() || aside.inDatabase[row])
            return;
        const std::vector<CellView>& cells = aside.rows->row(row);
        insertRow(insert, table, cells.data(), int(cells.size()), std::int64_t(row) + 1);
        aside.inDatabase[row] = true;
        --aside.missing;
    };
    if (rows) {
        for (const std::uint32_t row : *rows)
            put(row);
    } else {
        for (std::uint32_t row = 0; row < aside.rows->size(); ++row)
            put(row);
    }
    if (!inTransaction)
        execute(QStringLiteral("COMMIT"));
    if (aside.missing == 0)
        aside.inDatabase = std::vector<bool>();
}

namespace {

using jetsql::Expression;

// The operands of the top-level ANDs of a condition.
void conjuncts(const Expression& e, std::vector<const Expression*>* out)
{
    if (e.kind == Expression::Kind::Binary && e.op == Expression::Op::And) {
        conjuncts(e.operands[0], out);
        conjuncts(e.operands[1], out);
    } else {
        out->push_back(&e);
    }
}

// The column of the statement's one table an expression names, or -1.
int columnOf(const Expression& e, const jetsql::SelectStatement& statement, const StoredTable& table)
{
    if (e.kind != Expression::Kind::Column)
        return -1;
    const QString& spelled = statement.from.alias.isEmpty() ? statement.from.name : statement.from.alias;
    if (!e.table.isEmpty() && e.table.compare(spelled, Qt::CaseInsensitive) != 0)
        return -1;
    return table.findColumn(e.name);
}

// A comparison of a key column with a text: the column, and the text in *text; -1 when it is none.
int keyEquality(const Expression& e, const jetsql::SelectStatement& statement, const StoredTable& table, QString* text)
{
    if (e.kind != Expression::Kind::Binary || e.op != Expression::Op::Equal)
        return -1;
    for (int side = 0; side < 2; ++side) {
        const int column = columnOf(e.operands[size_t(side)], statement, table);
        const Expression& other = e.operands[size_t(1 - side)];
        if (column >= 0 && other.kind == Expression::Kind::Text && table.store->isKey(column)) {
            *text = other.text;
            return column;
        }
    }
    return -1;
}

// The statement as a search of the table's search store, when it is one: DISTINCT key columns, equality of
// key columns with texts and InStr(searched column, text) > 0, ordered by key columns.
std::optional<SearchQuery> searchQueryFor(const jetsql::SelectStatement& statement, const StoredTable& table)
{
    const SearchStore& store = *table.store;
    if (!statement.distinct || !statement.joins.empty() || statement.top || !statement.groupBy.empty()
        || statement.having)
        return std::nullopt;
    SearchQuery query;
    for (const jetsql::SelectItem& item : statement.items) {
        const int column = item.star ? -1 : columnOf(item.expression, statement, table);
        if (!store.isKey(column))
            return std::nullopt;
        query.select.push_back(column);
    }
    auto isZero = [](const Expression& e) { return e.kind == Expression::Kind::Number && e.number == 0; };
    auto searchedColumn = [&](const Expression& e) {
        if (e.kind != Expression::Kind::Function || e.name != u"InStr" || e.operands.size() != 2
            || e.operands[1].kind != Expression::Kind::Text)
            return -1;
        const int column = columnOf(e.operands[0], statement, table);
        return store.isSearched(column) ? column : -1;
    };
    std::vector<const Expression*> conditions;
    if (statement.where)
        conjuncts(*statement.where, &conditions);
    for (const Expression* c : conditions) {
        QString text;
        if (const int key = keyEquality(*c, statement, table, &text); key >= 0) {
            query.equals.emplace_back(key, text);
            continue;
        }
        if (c->kind != Expression::Kind::Binary)
            return std::nullopt;
        const Expression& left = c->operands[0];
        const Expression& right = c->operands[1];
        if (c->op == Expression::Op::Greater && isZero(right) && searchedColumn(left) >= 0)
            query.contains.emplace_back(searchedColumn(left), left.operands[1].text);
        else if (c->op == Expression::Op::Less && isZero(left) && searchedColumn(right) >= 0)
            query.contains.emplace_back(searchedColumn(right), right.operands[1].text);
        else
            return std::nullopt;
    }
    for (const jetsql::OrderItem& item : statement.orderBy) {
        const int column = columnOf(item.expression, statement, table);
        if (column < 0)
            return std::nullopt;
        query.order.emplace_back(column, item.descending);
    }
    return query;
}

// The statement as a plain listing of the table's rows, when it is one: its columns, no DISTINCT, order
// or grouping, and a condition of nothing but equalities of key columns with texts. Gives the selected
// columns and, through *rows, the rows (0-based, ascending) that the condition leaves; all rows when
// the statement has no condition (*all is then set).
std::optional<std::vector<int>> plainListing(const jetsql::SelectStatement& statement, const StoredTable& table,
                                             std::vector<std::uint32_t>* rows, bool* all)
{
    if (statement.distinct || !statement.joins.empty() || statement.top || !statement.groupBy.empty()
        || statement.having || !statement.orderBy.empty())
        return std::nullopt;
    std::vector<int> selected;
    for (const jetsql::SelectItem& item : statement.items) {
        const int column = item.star ? -1 : columnOf(item.expression, statement, table);
        if (column < 0)
            return std::nullopt;
        selected.push_back(column);
    }
    std::vector<const Expression*> conditions;
    if (statement.where)
        conjuncts(*statement.where, &conditions);
    *all = conditions.empty();
    for (size_t i = 0; i < conditions.size(); ++i) {
        QString text;
        const int column = keyEquality(*conditions[i], statement, table, &text);
        if (column < 0)
            return std::nullopt;
        const SearchStore::Rows found = table.store->rowsWith(column, text);
        if (i == 0) {
            rows->assign(found.first, found.first + found.count);
            continue;
        }
        std::vector<std::uint32_t> both;
        std::set_intersection(rows->begin(), rows->end(), found.first, found.first + found.count,
                              std::back_inserter(both));
        *rows = std::move(both);
    }
    return selected;
}

constexpr size_t maximumNarrowing = 20000;

// The fewest rows an equality of a key column with a text leaves; false when no such equality narrows.
bool narrowRows(const jetsql::SelectStatement& statement, const StoredTable& table, std::vector<std::uint32_t>* rows)
{
    if (!statement.where || !statement.joins.empty())
        return false;
    std::vector<const Expression*> conditions;
    conjuncts(*statement.where, &conditions);
    bool narrowed = false;
    for (const Expression* c : conditions) {
        QString text;
        const int column = keyEquality(*c, statement, table, &text);
        if (column < 0)
            continue;
        const SearchStore::Rows found = table.store->rowsWith(column, text);
        if (found.count > maximumNarrowing)
            continue;  // scanning the table is then as fast as listing its rows
        if (!narrowed || found.count < rows->size()) {
            rows->assign(found.first, found.first + found.count);
            narrowed = true;
        }
    }
    return narrowed;
}

}  // namespace

FieldValue SqliteEngine::Database::fieldValue(sqlite3_stmt* statement, int column, ColumnType type) const
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL: return FieldValue();
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: return FieldValue::ofType(sqlite3_column_double(statement, column), type);
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        return FieldValue::binary(QByteArray(bytes, sqlite3_column_bytes(statement, column)));
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        const int length = sqlite3_column_bytes(statement, column);
        if (const StoredTable::LongText* resolved = longText(std::string_view(text, size_t(length))))
            return FieldValue::text(resolved->text);
        return FieldValue::text(QString::fromUtf8(text, length));
    }
    }
}

std::optional<Engine::Listing> SqliteEngine::Database::listKeptRows(const jetsql::SelectStatement& statement,
                                                                    const Translation& translation)
{
    if (!statement.joins.empty())
        return std::nullopt;
    const StoredTable& table = this->table(statement.from.name);
    if (!table.store)
        return std::nullopt;
    const auto aside = asideRows_.find(table.number);
    if (aside == asideRows_.end())
        return std::nullopt;
    std::vector<std::uint32_t> rows;
    bool all = false;
    const std::optional<std::vector<int>> selected = plainListing(statement, table, &rows, &all);
    if (!selected)
        return std::nullopt;
    RowArena& kept = *aside->second.rows;
    Listing listing;
    listing.columnCount = int(selected->size());
    listing.columns = translation.columns;
    const std::uint32_t count = all ? kept.size() : std::uint32_t(rows.size());
    listing.cells.reserve(size_t(count) * selected->size());
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::vector<CellView>& cells = kept.row(all ? i : rows[i]);
        for (const int column : *selected)
            listing.cells.push_back(size_t(column) < cells.size() ? cells[size_t(column)] : CellView());
    }
    return listing;
}

namespace {

// The values of a listing. A text that a column repeats from the row before (a table's name, an area's
// code) is shared, not made again.
Engine::Result valuesOf(const Engine::Listing& listing)
{
    Engine::Result result;
    result.columnCount = listing.columnCount;
    result.columns = listing.columns;
    result.cells.reserve(listing.cells.size());
    const size_t width = size_t(listing.columnCount);
    for (size_t at = 0; at < listing.cells.size(); ++at) {
        const CellView& cell = listing.cells[at];
        const size_t column = at % width;
        if (at >= width && cell.kind == CellView::Kind::Text && !cell.text.empty()) {
            const CellView& above = listing.cells[at - width];
            if (above.kind == CellView::Kind::Text && above.text == cell.text) {
                result.cells.push_back(result.cells[at - width]);
                continue;
            }
        }
        result.cells.push_back(Field{FieldValue::fromCell(cell, listing.columns[column].type)});
    }
    return result;
}

// A result as cells whose texts the listing holds in an arena of its own.
Engine::Listing cellsOf(const Engine::Result& result)
{
    Engine::Listing listing;
    listing.columnCount = result.columnCount;
    listing.columns = result.columns;
    auto texts = std::make_shared<RowArena>();
    const size_t width = size_t(result.columnCount);
    std::vector<CellView> row(width);
    std::vector<QByteArray> bytes(width);
    listing.cells.reserve(result.cells.size());
    for (size_t start = 0; start + width <= result.cells.size() && width > 0; start += width) {
        for (size_t i = 0; i < width; ++i) {
            const FieldValue& value = result.cells[start + i].Value;
            CellView& cell = row[i];
            cell = CellView();
            switch (value.kind()) {
            case FieldValue::Kind::Null: break;
            case FieldValue::Kind::Text:
                bytes[i] = value.toText().toUtf8();
                cell.kind = CellView::Kind::Text;
                cell.text = std::string_view(bytes[i].constData(), size_t(bytes[i].size()));
                break;
            case FieldValue::Kind::Binary:
                cell.kind = CellView::Kind::Binary;
                cell.text = std::string_view(value.bytes().constData(), size_t(value.bytes().size()));
                break;
            case FieldValue::Kind::YesNo:
                cell.kind = CellView::Kind::YesNo;
                cell.number = value.toNumber();
                break;
            case FieldValue::Kind::Date:
                cell.kind = CellView::Kind::Date;
                cell.number = value.toNumber();
                break;
            case FieldValue::Kind::Number:
                cell.kind = CellView::Kind::Number;
                cell.number = value.toNumber();
                break;
            }
        }
        const std::vector<CellView>& stored = texts->add(row.data(), int(width));
        listing.cells.insert(listing.cells.end(), stored.begin(), stored.end());
    }
    listing.texts = std::move(texts);
    return listing;
}

}  // namespace

Translation SqliteEngine::Database::prepare(const QString& sql, const jetsql::SelectStatement& statement)
{
    readMissing(jetsql::referencedTables(statement));
    return translate(sql, statement, [this](const QString& name) -> const StoredTable& { return table(name); });
}

Engine::Listing SqliteEngine::Database::list(const QString& sql)
{
    const jetsql::SelectStatement statement = jetsql::parse(sql);
    Translation translation = prepare(sql, statement);
    if (std::optional<Listing> listed = listKeptRows(statement, translation))
        return std::move(*listed);
    return cellsOf(run(sql, statement, std::move(translation)));
}

Engine::Result SqliteEngine::Database::run(const QString& sql)
{
    const jetsql::SelectStatement statement = jetsql::parse(sql);
    return run(sql, statement, prepare(sql, statement));
}

Engine::Result SqliteEngine::Database::run(const QString& sql, const jetsql::SelectStatement& statement,
                                           Translation translation)
{
    const TableLookup lookup = [this](const QString& name) -> const StoredTable& { return table(name); };
    bool narrowed = false;
    if (statement.joins.empty()) {
        const StoredTable& stored = table(statement.from.name);
        if (stored.store) {
            if (const std::optional<SearchQuery> search = searchQueryFor(statement, stored)) {
                Result result = stored.store->run(*search);
                result.columns = translation.columns;
                return result;
            }
            if (const std::optional<Listing> listed = listKeptRows(statement, translation))
                return valuesOf(*listed);
            std::vector<std::uint32_t> narrowing;
            if (narrowRows(statement, stored, &narrowing)) {
                putRowsInDatabase(stored, &narrowing);
                translation = translate(sql, statement, lookup, &narrowing);
                narrowed = true;
            }
        }
    }
    if (!narrowed)
        for (const QString& name : jetsql::referencedTables(statement))
            putRowsInDatabase(table(name), nullptr);

    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(db_, translation.sql.toUtf8().constData(), -1, &prepared, nullptr) != SQLITE_OK)
        fail(QStringLiteral("preparing '%1'").arg(sql));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(prepared, sqlite3_finalize);
    for (size_t i = 0; i < translation.parameters.size(); ++i) {
        const SqlParameter& parameter = translation.parameters[i];
        if (parameter.isText) {
            const QByteArray text = parameter.text.toUtf8();
            sqlite3_bind_text(prepared, int(i + 1), text.constData(), int(text.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_double(prepared, int(i + 1), parameter.number);
        }
    }
    Result result;
    result.columnCount = sqlite3_column_count(prepared);
    result.columns = std::move(translation.columns);
    functionError_.reset();
    int step;
    while ((step = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (int i = 0; i < result.columnCount; ++i)
            result.cells.push_back(Field{fieldValue(prepared, i, result.columns[size_t(i)].type)});
    }
    if (step != SQLITE_DONE) {
        if (functionError_) {
            const Error error = *functionError_;
            functionError_.reset();
            throw error;
        }
        fail(QStringLiteral("running '%1'").arg(sql));
    }
    return result;
}

SqliteEngine::SqliteEngine(TableReader reader, bool useSearchStores, Preload preload, size_t longTextBytes)
    : database_(std::make_unique<Database>(std::move(reader), useSearchStores, preload, longTextBytes))
{}

SqliteEngine::~SqliteEngine() = default;

Engine::Result SqliteEngine::run(const QString& sql) { return database_->run(sql); }

Engine::Listing SqliteEngine::list(const QString& sql) { return database_->list(sql); }

}  // namespace volmira
