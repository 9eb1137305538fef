#include "dictionary/sqliteengine.h"

#include "dictionary/error.h"
#include "dictionary/jetsql.h"
#include "dictionary/searchstore.h"
#include "dictionary/statements.h"
#include "dictionary/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <functional>
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

struct StoredColumn {
    QString name;
    ColumnType type = ColumnType::Other;
    bool sawYesNo = false;
    bool sawSingle = false;
    bool sawDate = false;

    // The type its values are handed back as: a column of no known type that held Yes/No (or 4-byte
    // float, or date) cells gives Yes/No (or singles, or dates).
    ColumnType resultType() const
    {
        if (sawYesNo)
            return ColumnType::Bool;
        if (sawSingle)
            return ColumnType::Single;
        if (sawDate)
            return ColumnType::DateTime;
        return type;
    }
};

struct StoredTable {
    QString name;     // as the file names it
    QString sqlName;  // its name in the in-memory database
    std::vector<StoredColumn> columns;
    std::unique_ptr<SearchStore> store;

    int findColumn(const QString& wanted) const
    {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].name.compare(wanted, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    }
};

QString columnSqlName(int index) { return QStringLiteral("c%1").arg(index); }

int jetCollation(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    return textfold::compare(std::string_view(static_cast<const char*>(a), size_t(lengthA)),
                             std::string_view(static_cast<const char*>(b), size_t(lengthB)));
}

std::string_view valueText(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, size_t(sqlite3_value_bytes(value))) : std::string_view();
}

// InStr(text, part): 1-based position of part in text ignoring letter case, 0 when absent, Null when
// either is Null. The folded part is kept between rows while it is a constant of the statement.
void jetInStr(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const std::string_view text = valueText(arguments[0]);
    if (const auto* kept = static_cast<const std::vector<char32_t>*>(sqlite3_get_auxdata(context, 1))) {
        sqlite3_result_int64(context, textfold::find(text, *kept));
        return;
    }
    auto folded = std::make_unique<std::vector<char32_t>>(textfold::foldedCodePoints(valueText(arguments[1])));
    sqlite3_result_int64(context, textfold::find(text, *folded));
    sqlite3_set_auxdata(context, 1, folded.release(), [](void* p) { delete static_cast<std::vector<char32_t>*>(p); });
}

enum class ValueType { Text, Number, Unknown };

ValueType columnValueType(ColumnType type)
{
    switch (type) {
    case ColumnType::Text:
    case ColumnType::Memo:
        return ValueType::Text;
    case ColumnType::Bool:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
        return ValueType::Number;
    case ColumnType::DateTime:
    case ColumnType::Binary:
    case ColumnType::Other:
        break;
    }
    return ValueType::Unknown;
}

}  // namespace

// The in-memory database with the tables read so far.
class SqliteEngine::Database final : public TableSink {
public:
    Database(TableReader reader, bool useSearchStores, Preload preload)
        : reader_(std::move(reader)), useSearchStores_(useSearchStores)
    {
        if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const QString message = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
            sqlite3_close(db_);
            db_ = nullptr;
            throw Error(ErrorNumber::EngineFailure, QStringLiteral("Cannot create the in-memory database: %1").arg(message));
        }
        // Large pages keep long memo rows on one page; nothing is journalled: the database lives only here.
        execute("PRAGMA page_size=65536; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                "PRAGMA temp_store=MEMORY; PRAGMA locking_mode=EXCLUSIVE");
        sqlite3_create_collation_v2(db_, "JET", SQLITE_UTF8, nullptr, jetCollation, nullptr);
        sqlite3_create_function_v2(db_, "jet_instr", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, jetInStr,
                                   nullptr, nullptr, nullptr);
        try {
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
        throw Error(ErrorNumber::TableNotFound,
                    QStringLiteral("Cannot find the input table or query '%1'. Make sure it exists and that its name is spelled correctly.").arg(name));
    }

    Result run(const QString& sql);

    // Reads, in one go, the tables a statement names that are not read yet and that the file has.
    void readMissing(const QStringList& names)
    {
        QStringList missing;
        for (const QString& name : names)
            if (!findTable(name) && catalog_.contains(name, Qt::CaseInsensitive) && !missing.contains(name, Qt::CaseInsensitive))
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
            skipping_ = false;
            tables_.resize(tablesBefore);
            for (int i = counterBefore; i < tableCounter_; ++i)
                sqlite3_exec(db_, QStringLiteral("DROP TABLE IF EXISTS t%1").arg(i).toUtf8().constData(), nullptr, nullptr, nullptr);
            sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
            throw;
        }
        execute(QStringLiteral("COMMIT"));
    }

    TableReader reader_;
    bool useSearchStores_;
    sqlite3* db_ = nullptr;
    QStringList catalog_;
    std::vector<StoredTable> tables_;
    std::unique_ptr<StoredTable> loading_;  // the table being read
    bool skipping_ = false;                 // a table read before is handed over again
    sqlite3_stmt* insert_ = nullptr;
    int tableCounter_ = 0;
};

void SqliteEngine::Database::beginTable(const QString& name, const std::vector<ColumnInfo>& columns)
{
    skipping_ = findTable(name) != nullptr;
    if (skipping_)
        return;
    loading_ = std::make_unique<StoredTable>();
    loading_->name = name;
    loading_->sqlName = QStringLiteral("t%1").arg(tableCounter_++);
    QString create = QStringLiteral("CREATE TABLE %1 (").arg(loading_->sqlName);
    QString insert = QStringLiteral("INSERT INTO %1 VALUES (").arg(loading_->sqlName);
    for (size_t i = 0; i < columns.size(); ++i) {
        loading_->columns.push_back({columns[i].name, columns[i].type});
        // No declared type: every value keeps the kind it was stored with; text compares as Jet compares.
        create += (i ? QStringLiteral(", ") : QString()) + columnSqlName(int(i)) + QStringLiteral(" COLLATE JET");
        insert += i ? QStringLiteral(", ?") : QStringLiteral("?");
    }
    if (columns.empty())
        create += QStringLiteral("c0");  // a table needs a column; it stays empty
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
    if (!columns.empty() && sqlite3_prepare_v2(db_, (insert + u')').toUtf8().constData(), -1, &insert_, nullptr) != SQLITE_OK)
        fail(QStringLiteral("preparing to load %1").arg(name));
}

void SqliteEngine::Database::row(const CellView* cells, int count)
{
    if (skipping_ || !insert_)
        return;
    const int columnCount = int(loading_->columns.size());
    for (int i = 0; i < columnCount; ++i) {
        const int parameter = i + 1;
        if (i >= count) {
            sqlite3_bind_null(insert_, parameter);
            continue;
        }
        const CellView& cell = cells[i];
        switch (cell.kind) {
        case CellView::Kind::Null:
            sqlite3_bind_null(insert_, parameter);
            break;
        case CellView::Kind::Text:
            // A non-null pointer even for "": SQLite stores a null pointer as Null.
            sqlite3_bind_text(insert_, parameter, cell.text.empty() ? "" : cell.text.data(), int(cell.text.size()),
                              SQLITE_STATIC);
            break;
        case CellView::Kind::YesNo:
            loading_->columns[size_t(i)].sawYesNo = true;
            sqlite3_bind_int(insert_, parameter, cell.number != 0 ? -1 : 0);
            break;
        case CellView::Kind::Single:
            loading_->columns[size_t(i)].sawSingle = true;
            sqlite3_bind_double(insert_, parameter, cell.number);
            break;
        case CellView::Kind::Date:
            loading_->columns[size_t(i)].sawDate = true;
            sqlite3_bind_double(insert_, parameter, cell.number);
            break;
        case CellView::Kind::Binary:
            // A non-null pointer for no bytes too: SQLite stores a null pointer as Null.
            sqlite3_bind_blob(insert_, parameter, cell.text.empty() ? "" : cell.text.data(), int(cell.text.size()),
                              SQLITE_STATIC);
            break;
        case CellView::Kind::Number:
            // Whole numbers are stored as integers: smaller, and compared exactly.
            if (std::nearbyint(cell.number) == cell.number && std::fabs(cell.number) < 9.0e15)
                sqlite3_bind_int64(insert_, parameter, sqlite3_int64(cell.number));
            else
                sqlite3_bind_double(insert_, parameter, cell.number);
            break;
        }
    }
    if (sqlite3_step(insert_) != SQLITE_DONE)
        fail(QStringLiteral("loading %1").arg(loading_->name));
    sqlite3_reset(insert_);
    if (loading_->store)
        loading_->store->add(cells, count);
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
    tables_.push_back(std::move(*loading_));
    loading_.reset();
}

namespace {

// One statement translated for the in-memory database: its text, the literals bound to its
// parameters, and how each result column is handed back.
struct Translation {
    QString sql;
    std::vector<jetsql::Operand> parameters;
    std::vector<Engine::ResultColumn> columns;
};

class Translator final {
public:
    // narrowing: when given, the only rows (0-based, in stored order) that can satisfy the WHERE.
    Translator(const jetsql::SelectStatement& statement, const StoredTable& table, const std::vector<std::uint32_t>* narrowing)
        : statement_(statement), table_(table), narrowing_(narrowing) {}

    Translation translate()
    {
        Translation result;
        const bool aggregate = std::any_of(statement_.items.begin(), statement_.items.end(), [](const auto& item) {
            return item.aggregate != jetsql::SelectItem::Aggregate::None;
        });
        QStringList items;
        std::vector<int> selectedColumns;
        int expressions = 0;
        for (const jetsql::SelectItem& item : statement_.items) {
            const int column = columnIndex(item.column);
            result.columns.push_back({item.aggregate == jetsql::SelectItem::Aggregate::None ? table_.columns[size_t(column)].name
                                                                                             : QStringLiteral("Expr%1").arg(1000 + expressions++),
                                      table_.columns[size_t(column)].resultType()});
            switch (item.aggregate) {
            case jetsql::SelectItem::Aggregate::None:
                if (aggregate)
                    notPartOfAggregate(item.column);
                items << columnSqlName(column);
                selectedColumns.push_back(column);
                break;
            case jetsql::SelectItem::Aggregate::Max:
                items << QStringLiteral("max(%1)").arg(columnSqlName(column));
                break;
            case jetsql::SelectItem::Aggregate::Min:
                items << QStringLiteral("min(%1)").arg(columnSqlName(column));
                break;
            }
        }
        QString sql = QStringLiteral("SELECT ") + (statement_.distinct ? QStringLiteral("DISTINCT ") : QString())
                      + items.join(QStringLiteral(", ")) + QStringLiteral(" FROM ") + table_.sqlName;

        QStringList conditions;
        for (const jetsql::Comparison& comparison : statement_.where)
            conditions << condition(comparison);
        if (narrowing_) {
            QStringList rowids;
            for (const std::uint32_t row : *narrowing_)
                rowids << QString::number(row + 1);  // rows are stored in order from rowid 1
            conditions.prepend(QStringLiteral("rowid IN (%1)").arg(rowids.join(u',')));
        }
        if (!conditions.isEmpty())
            sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));

        QStringList order;
        std::vector<int> orderedColumns;
        for (const jetsql::OrderItem& item : statement_.orderBy) {
            const int column = columnIndex(item.column);
            if (aggregate)
                notPartOfAggregate(item.column);
            if (statement_.distinct && std::find(selectedColumns.begin(), selectedColumns.end(), column) == selectedColumns.end())
                throw Error(ErrorNumber::OrderByConflictsWithDistinct,
                            QStringLiteral("ORDER BY clause (%1) conflicts with DISTINCT.").arg(item.column));
            order << columnSqlName(column) + (item.descending ? QStringLiteral(" DESC") : QString());
            orderedColumns.push_back(column);
        }
        if (!aggregate) {
            if (statement_.distinct) {
                // Jet gives distinct rows in ascending order of the selected columns, after any ORDER BY.
                for (int column : selectedColumns)
                    if (std::find(orderedColumns.begin(), orderedColumns.end(), column) == orderedColumns.end())
                        order << columnSqlName(column);
            } else {
                order << QStringLiteral("rowid");  // the order the file stores the rows in
            }
            sql += QStringLiteral(" ORDER BY ") + order.join(QStringLiteral(", "));
        }
        result.sql = sql;
        result.parameters = std::move(parameters_);
        return result;
    }

private:
    int columnIndex(const QString& name) const
    {
        const int index = table_.findColumn(name);
        if (index < 0)
            throw Error(ErrorNumber::ColumnNotFound,
                        QStringLiteral("Too few parameters: the table '%1' has no column '%2'.").arg(table_.name, name));
        return index;
    }

    [[noreturn]] void notPartOfAggregate(const QString& column) const
    {
        throw Error(ErrorNumber::NotPartOfAggregate,
                    QStringLiteral("You tried to execute a query that does not include the specified expression '%1' as part of an aggregate function.")
                        .arg(column));
    }

    ValueType typeOf(const jetsql::Operand& operand) const
    {
        switch (operand.kind) {
        case jetsql::Operand::Kind::Column:
            return columnValueType(table_.columns[size_t(columnIndex(operand.name))].type);
        case jetsql::Operand::Kind::Text:
            return ValueType::Text;
        case jetsql::Operand::Kind::Number:
        case jetsql::Operand::Kind::InStr:
            return ValueType::Number;
        }
        return ValueType::Unknown;
    }

    QString expression(const jetsql::Operand& operand)
    {
        switch (operand.kind) {
        case jetsql::Operand::Kind::Column:
            return columnSqlName(columnIndex(operand.name));
        case jetsql::Operand::Kind::Text:
        case jetsql::Operand::Kind::Number:
            parameters_.push_back(operand);
            return QStringLiteral("?%1").arg(parameters_.size());
        case jetsql::Operand::Kind::InStr:
            return QStringLiteral("jet_instr(%1, %2)").arg(expression(operand.arguments[0]), expression(operand.arguments[1]));
        }
        return {};
    }

    QString condition(const jetsql::Comparison& comparison)
    {
        const ValueType left = typeOf(comparison.left);
        const ValueType right = typeOf(comparison.right);
        if (left != ValueType::Unknown && right != ValueType::Unknown && left != right)
            throw Error(ErrorNumber::DataTypeMismatch, QStringLiteral("Data type mismatch in criteria expression."));
        static const char* const ops[] = {"=", "<>", "<", "<=", ">", ">="};
        // Text compares ignoring letter case whatever the operands are, columns or literals.
        const QString collation = (left == ValueType::Text || right == ValueType::Text) ? QStringLiteral(" COLLATE JET") : QString();
        const QString leftSql = expression(comparison.left);
        const QString rightSql = expression(comparison.right);
        return QStringLiteral("%1%2 %3 %4").arg(leftSql, collation, QLatin1String(ops[int(comparison.op)]), rightSql);
    }

    const jetsql::SelectStatement& statement_;
    const StoredTable& table_;
    const std::vector<std::uint32_t>* narrowing_;
    std::vector<jetsql::Operand> parameters_;
};

// The statement as a search of the table's search store, when it is one: DISTINCT key columns, equality of
// key columns with texts and InStr(searched column, text) > 0, ordered by key columns.
std::optional<SearchQuery> searchQueryFor(const jetsql::SelectStatement& statement, const StoredTable& table)
{
    using Kind = jetsql::Operand::Kind;
    const SearchStore& store = *table.store;
    if (!statement.distinct)
        return std::nullopt;
    SearchQuery query;
    for (const jetsql::SelectItem& item : statement.items) {
        const int column = table.findColumn(item.column);
        if (item.aggregate != jetsql::SelectItem::Aggregate::None || !store.isKey(column))
            return std::nullopt;
        query.select.push_back(column);
    }
    auto isZero = [](const jetsql::Operand& o) { return o.kind == Kind::Number && o.number == 0; };
    auto searchedColumn = [&](const jetsql::Operand& o) {
        if (o.kind != Kind::InStr || o.arguments[0].kind != Kind::Column || o.arguments[1].kind != Kind::Text)
            return -1;
        const int column = table.findColumn(o.arguments[0].name);
        return store.isSearched(column) ? column : -1;
    };
    for (const jetsql::Comparison& c : statement.where) {
        using Op = jetsql::Comparison::Op;
        if (c.op == Op::Equal && c.left.kind == Kind::Column && c.right.kind == Kind::Text && store.isKey(table.findColumn(c.left.name)))
            query.equals.emplace_back(table.findColumn(c.left.name), c.right.text);
        else if (c.op == Op::Equal && c.right.kind == Kind::Column && c.left.kind == Kind::Text && store.isKey(table.findColumn(c.right.name)))
            query.equals.emplace_back(table.findColumn(c.right.name), c.left.text);
        else if (c.op == Op::Greater && isZero(c.right) && searchedColumn(c.left) >= 0)
            query.contains.emplace_back(searchedColumn(c.left), c.left.arguments[1].text);
        else if (c.op == Op::Less && isZero(c.left) && searchedColumn(c.right) >= 0)
            query.contains.emplace_back(searchedColumn(c.right), c.right.arguments[1].text);
        else
            return std::nullopt;
    }
    for (const jetsql::OrderItem& item : statement.orderBy)
        query.order.emplace_back(table.findColumn(item.column), item.descending);
    return query;
}

constexpr size_t maximumNarrowing = 20000;

// The fewest rows an equality of a key column with a text leaves; false when no such equality narrows.
bool narrowRows(const jetsql::SelectStatement& statement, const StoredTable& table, std::vector<std::uint32_t>* rows)
{
    using Kind = jetsql::Operand::Kind;
    bool narrowed = false;
    for (const jetsql::Comparison& c : statement.where) {
        if (c.op != jetsql::Comparison::Op::Equal)
            continue;
        const jetsql::Operand* column = c.left.kind == Kind::Column ? &c.left : c.right.kind == Kind::Column ? &c.right : nullptr;
        const jetsql::Operand* text = c.left.kind == Kind::Text ? &c.left : c.right.kind == Kind::Text ? &c.right : nullptr;
        if (!column || !text || !table.store->isKey(table.findColumn(column->name)))
            continue;
        const SearchStore::Rows found = table.store->rowsWith(table.findColumn(column->name), text->text);
        if (found.count > maximumNarrowing)
            continue;  // scanning the table is then as fast as listing its rows
        if (!narrowed || found.count < rows->size()) {
            rows->assign(found.first, found.first + found.count);
            narrowed = true;
        }
    }
    return narrowed;
}

FieldValue fieldValue(sqlite3_stmt* statement, int column, ColumnType type)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return FieldValue();
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        const double number = sqlite3_column_double(statement, column);
        if (type == ColumnType::Bool)
            return FieldValue::yesNo(number != 0);
        if (type == ColumnType::Single)
            return FieldValue::single(float(number));
        if (type == ColumnType::Currency)
            return FieldValue::currency(number);
        if (type == ColumnType::DateTime)
            return FieldValue::date(number);
        return FieldValue::number(number);
    }
    case SQLITE_BLOB: {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        return FieldValue::binary(QByteArray(bytes, sqlite3_column_bytes(statement, column)));
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        return FieldValue::text(QString::fromUtf8(text, sqlite3_column_bytes(statement, column)));
    }
    }
}

}  // namespace

Engine::Result SqliteEngine::Database::run(const QString& sql)
{
    const jetsql::SelectStatement statement = jetsql::parse(sql);
    readMissing(jetsql::referencedTables(statement));
    const StoredTable& stored = table(statement.table);
    Translator(statement, stored, nullptr).translate();  // checks every name and type first
    std::vector<std::uint32_t> narrowing;
    bool narrowed = false;
    if (stored.store) {
        if (const std::optional<SearchQuery> search = searchQueryFor(statement, stored)) {
            Result result = stored.store->run(*search);
            for (const int column : search->select)
                result.columns.push_back({stored.columns[size_t(column)].name, stored.columns[size_t(column)].resultType()});
            return result;
        }
        narrowed = narrowRows(statement, stored, &narrowing);
    }
    const Translation translation = Translator(statement, stored, narrowed ? &narrowing : nullptr).translate();

    sqlite3_stmt* prepared = nullptr;
    if (sqlite3_prepare_v2(db_, translation.sql.toUtf8().constData(), -1, &prepared, nullptr) != SQLITE_OK)
        fail(QStringLiteral("preparing '%1'").arg(sql));
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(prepared, sqlite3_finalize);
    for (size_t i = 0; i < translation.parameters.size(); ++i) {
        const jetsql::Operand& parameter = translation.parameters[i];
        if (parameter.kind == jetsql::Operand::Kind::Number) {
            sqlite3_bind_double(prepared, int(i + 1), parameter.number);
        } else {
            const QByteArray text = parameter.text.toUtf8();
            sqlite3_bind_text(prepared, int(i + 1), text.constData(), text.size(), SQLITE_TRANSIENT);
        }
    }
    Result result;
    result.columnCount = sqlite3_column_count(prepared);
    result.columns = translation.columns;
    int step;
    while ((step = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (int i = 0; i < result.columnCount; ++i)
            result.cells.push_back(Field{fieldValue(prepared, i, translation.columns[size_t(i)].type)});
    }
    if (step != SQLITE_DONE)
        fail(QStringLiteral("running '%1'").arg(sql));
    return result;
}

SqliteEngine::SqliteEngine(TableReader reader, bool useSearchStores, Preload preload)
    : database_(std::make_unique<Database>(std::move(reader), useSearchStores, preload))
{
}

SqliteEngine::~SqliteEngine() = default;

Engine::Result SqliteEngine::run(const QString& sql)
{
    return database_->run(sql);
}

}  // namespace volmira
