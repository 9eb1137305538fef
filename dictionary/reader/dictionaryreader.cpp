#include "dictionary/reader/dictionaryreader.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetheader.h"
#include "dictionary/reader/jettext.h"
#include "dictionary/reader/output.h"

// mdbtools.h wraps <glib.h> in extern "C": glib has to come first in C++.
#include <glib.h>
#include <mdbtools.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace volmira::reader {

namespace {

using frames::CellTag;
using frames::FrameWriter;

constexpr std::size_t kMaxColumns = 255;
constexpr std::size_t kMaxTextBytes = std::size_t(24) << 20;
// A row goes out in one frame, which the program takes up to 256 MiB.
constexpr std::size_t kMaxBufferedBytes = std::size_t(200) << 20;
// A long value is at most 16 MiB in chunks of about 4 KiB: twice as many pages means a damaged chain.
constexpr int kMaxChainPages = 8192;
constexpr int kMaxRowsPerPage = 1000;  // libmdb's own bound on a row number
constexpr int kDeletedRow = 0x8000;    // flags in a row's offset
constexpr int kMovedRow = 0x4000;
constexpr int kMaxMoves = 4;
constexpr unsigned char kDataPage = 0x01;
constexpr std::size_t kHeaderBytes = 4096;
constexpr int kInlineValue = 0x80;
constexpr int kSinglePageValue = 0x40;
constexpr int kChainedValue = 0x00;
constexpr std::size_t kLongValueHeader = 12;

std::uint32_t le16(const unsigned char* p) { return p[0] | std::uint32_t(p[1]) << 8; }
std::uint32_t le32(const unsigned char* p) { return le16(p) | le16(p + 2) << 16; }

std::string validUtf8(const char* text)
{
    if (g_utf8_validate(text, -1, nullptr))
        return text;
    gchar* valid = g_utf8_make_valid(text, -1);
    std::string result(valid);
    g_free(valid);
    return result;
}

std::string folded(const std::string& text)
{
    gchar* fold = g_utf8_casefold(text.c_str(), -1);
    std::string result(fold);
    g_free(fold);
    return result;
}

[[noreturn]] void fail(int number, std::string message)
{
    throw Failure{number, std::move(message)};
}

struct FileFacts {
    off_t size = 0;
};

// Answers what libmdb cannot tell apart: a missing file, a folder, an empty or foreign file, a password.
FileFacts checkFile(const std::string& path)
{
    // O_NONBLOCK: a named pipe must not stall the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            fail(ErrorNumber::FileNotFound, "the file does not exist");
        if (error == EISDIR)
            fail(ErrorNumber::UnrecognizedFormat, "it is a folder");
        fail(ErrorNumber::FileSystem, std::strerror(error));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat facts {};
    if (::fstat(fd, &facts) != 0)
        fail(ErrorNumber::FileSystem, std::strerror(errno));
    if (S_ISDIR(facts.st_mode))
        fail(ErrorNumber::UnrecognizedFormat, "it is a folder");
    if (!S_ISREG(facts.st_mode))
        fail(ErrorNumber::UnrecognizedFormat, "it is not a regular file");
    if (facts.st_size == 0)
        fail(ErrorNumber::UnrecognizedFormat, "the file is empty");
    unsigned char header[kHeaderBytes];
    ssize_t got;
    do
        got = ::pread(fd, header, sizeof header, 0);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        fail(ErrorNumber::FileSystem, std::strerror(errno));
    switch (inspectHeader(header, static_cast<std::size_t>(got))) {
    case HeaderVerdict::NotJet:
        fail(ErrorNumber::UnrecognizedFormat, "it is not a Jet database");
    case HeaderVerdict::PasswordProtected:
        fail(ErrorNumber::NotValidPassword, "the database is protected by a password");
    case HeaderVerdict::Jet:
        break;
    }
    // Jet files consist of whole pages; anything else was cut short.
    const off_t pageSize = header[0x14] == 0 ? 2048 : 4096;
    if (facts.st_size < 3 * pageSize || facts.st_size % pageSize != 0)
        fail(ErrorNumber::UnrecognizedFormat, "the file is truncated");
    return FileFacts{facts.st_size};
}

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

ColumnType columnTypeOf(int mdbType)
{
    switch (mdbType) {
    case MDB_BOOL: return ColumnType::Bool;
    case MDB_BYTE: return ColumnType::Byte;
    case MDB_INT: return ColumnType::Integer;
    case MDB_LONGINT:
    case MDB_COMPLEX: return ColumnType::Long;
    case MDB_MONEY: return ColumnType::Currency;
    case MDB_FLOAT: return ColumnType::Single;
    case MDB_DOUBLE:
    case MDB_NUMERIC: return ColumnType::Double;
    case MDB_DATETIME: return ColumnType::DateTime;
    case MDB_TEXT: return ColumnType::Text;
    case MDB_MEMO: return ColumnType::Memo;
    case MDB_BINARY:
    case MDB_OLE: return ColumnType::Binary;
    default: return ColumnType::Other;
    }
}

// Bytes a fixed-size value takes in the row; 0 for the variable-length types.
int fixedWidthOf(int mdbType)
{
    switch (mdbType) {
    case MDB_BYTE: return 1;
    case MDB_INT: return 2;
    case MDB_LONGINT:
    case MDB_COMPLEX:
    case MDB_FLOAT: return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME: return 8;
    case MDB_REPID: return 16;
    case MDB_NUMERIC: return 17;
    default: return 0;
    }
}

// Visits a table's data pages, loading each into mdb->pg_buf. Follows the table's usage map as libmdb
// does, but refuses pages past the end of the file (libmdb would quietly stop there) and scans the
// file's pages where the map is missing or unreadable (libmdb crashes on an empty one).
class PageWalker final {
public:
    PageWalker(MdbHandle* mdb, MdbTableDef* table, std::uint32_t pageCount)
        : mdb_(mdb), table_(table), pageCount_(pageCount), useMap_(table->usage_map != nullptr && table->map_sz > 0)
    {
    }

    // The next page, or 0 after the last.
    std::uint32_t next()
    {
        const auto owner = static_cast<long>(table_->entry->table_pg);
        for (;;) {
            if (useMap_) {
                const gint32 found = mdb_map_find_next(mdb_, table_->usage_map, static_cast<unsigned>(table_->map_sz),
                                                       current_);
                if (found < 0) {
                    useMap_ = false;
                    continue;
                }
                if (found == 0 || static_cast<std::uint32_t>(found) <= current_)
                    return current_ = 0;
                current_ = static_cast<std::uint32_t>(found);
                if (current_ >= pageCount_)
                    fail(ErrorNumber::UnrecognizedFormat, "the file is truncated: table '" + std::string(table_->name)
                                                              + "' lists pages past its end");
            } else if (++current_ >= pageCount_) {
                return current_ = 0;
            }
            if (mdb_read_pg(mdb_, current_) != mdb_->fmt->pg_size)
                fail(ErrorNumber::FileSystem, "page " + std::to_string(current_) + " cannot be read");
            if (mdb_->pg_buf[0] == kDataPage && mdb_get_int32(mdb_->pg_buf, 4) == owner)
                return current_;
        }
    }

private:
    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::uint32_t pageCount_;
    bool useMap_;
    std::uint32_t current_ = 0;
};

class TableReader final {
public:
    TableReader(MdbHandle* mdb, MdbTableDef* table, std::uint32_t pageCount, Output& out)
        : mdb_(mdb), table_(table), pageCount_(pageCount), out_(out), jet3_(mdb->f->jet_version == MDB_VER_JET3),
          fields_(table->num_cols)
    {
    }

    void readRows()
    {
        PageWalker pages(mdb_, table_, pageCount_);
        while (std::uint32_t page = pages.next())
            readPage(page);
    }

private:
    // Rows flagged deleted are skipped; a row that grew and moved is stored as a pointer to its new place
    // (where it is flagged deleted, so that it is read once). libmdb 1.0 has the two flags the wrong way round.
    void readPage(std::uint32_t page)
    {
        const int rows = mdb_get_int16(mdb_->pg_buf, mdb_->fmt->row_count_offset);
        for (int r = 0; r < rows && r <= kMaxRowsPerPage; ++r) {
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb_, r, &start, &size) != 0 || size == 0 || (start & kDeletedRow))
                continue;
            if (start & kMovedRow) {
                if (size >= 4)
                    readMovedRow(le32(mdb_->pg_buf + (start & 0x1FFF)));
                if (mdb_read_pg(mdb_, page) != mdb_->fmt->pg_size)
                    fail(ErrorNumber::FileSystem, "page " + std::to_string(page) + " cannot be read");
                continue;
            }
            readRow(start & 0x1FFF, size);
        }
    }

    // Follows a moved row's pointers (a few hops at most); leaves another page in mdb->pg_buf.
    void readMovedRow(std::uint32_t pgRow)
    {
        for (int hop = 0; hop < kMaxMoves; ++hop) {
            const std::uint32_t page = pgRow >> 8;
            if (page == 0 || page >= pageCount_ || mdb_read_pg(mdb_, page) != mdb_->fmt->pg_size
                || mdb_->pg_buf[0] != kDataPage)
                fail(ErrorNumber::DamagedData, "a row of table '" + std::string(table_->name) + "' moved to a missing page");
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb_, static_cast<int>(pgRow & 0xFF), &start, &size) != 0 || size == 0)
                fail(ErrorNumber::DamagedData, "a row of table '" + std::string(table_->name) + "' moved to a missing row");
            if (!(start & kMovedRow)) {
                readRow(start & 0x1FFF, size);
                return;
            }
            if (size < 4)
                break;
            pgRow = le32(mdb_->pg_buf + (start & 0x1FFF));
        }
        fail(ErrorNumber::DamagedData, "a row of table '" + std::string(table_->name) + "' moved without end");
    }

    void readRow(int start, size_t size)
    {
        // A row libmdb cannot take apart is skipped, as every libmdb tool does.
        if (mdb_crack_row(table_, start, size, fields_.data()) >= 0 && fieldsInRow(start, size))
            writeRow();
    }

    bool fieldsInRow(int start, size_t size) const
    {
        for (unsigned i = 0; i < table_->num_cols; ++i) {
            const MdbField& field = fields_[i];
            const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
            if (field.is_null || column->col_type == MDB_BOOL)
                continue;
            if (field.siz < 0 || field.start < start
                || static_cast<size_t>(field.start) + static_cast<size_t>(field.siz) > static_cast<size_t>(start) + size)
                return false;
            if (field.siz < fixedWidthOf(column->col_type))
                return false;
        }
        return true;
    }

    void writeRow()
    {
        FrameWriter& w = out_.beginRow();
        for (unsigned i = 0; i < table_->num_cols; ++i) {
            const MdbField& field = fields_[i];
            const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
            if (column->col_type == MDB_BOOL) {
                // A Yes/No value is its null-mask bit: a clear bit is No.
                w.putU8(static_cast<std::uint8_t>(field.is_null ? CellTag::No : CellTag::Yes));
                continue;
            }
            if (field.is_null) {
                w.putU8(static_cast<std::uint8_t>(CellTag::Null));
                continue;
            }
            writeValue(w, *column, mdb_->pg_buf + field.start, field.siz);
            if (w.size() > kMaxBufferedBytes)
                fail(ErrorNumber::FileTooLarge, "a row of table '" + std::string(table_->name) + "' is larger than "
                                                    + std::to_string(kMaxBufferedBytes >> 20) + " MiB");
        }
        out_.endRow();
    }

    void number(FrameWriter& w, double value, CellTag tag = CellTag::Number)
    {
        w.putU8(static_cast<std::uint8_t>(tag));
        w.putF64(value);
    }

    static double le64Double(const unsigned char* p)
    {
        double value;
        const std::uint64_t bits = le32(p) | std::uint64_t(le32(p + 4)) << 32;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    void writeValue(FrameWriter& w, const MdbColumn& column, const unsigned char* p, int size)
    {
        switch (column.col_type) {
        case MDB_BYTE: number(w, p[0]); return;
        case MDB_INT: number(w, static_cast<std::int16_t>(le16(p))); return;
        case MDB_LONGINT:
        case MDB_COMPLEX: number(w, static_cast<std::int32_t>(le32(p))); return;
        case MDB_MONEY: {
            const std::uint64_t raw = le32(p) | std::uint64_t(le32(p + 4)) << 32;
            number(w, static_cast<double>(static_cast<std::int64_t>(raw)) / 10000.0);
            return;
        }
        case MDB_FLOAT: {
            float value;
            const std::uint32_t bits = le32(p);
            std::memcpy(&value, &bits, sizeof value);
            w.putU8(static_cast<std::uint8_t>(CellTag::Single));
            w.putF32(value);
            return;
        }
        case MDB_DOUBLE: number(w, le64Double(p)); return;
        case MDB_DATETIME: number(w, le64Double(p), CellTag::Date); return;
        case MDB_NUMERIC: {
            // libmdb prints the decimal with a point: the reader runs in the C locale.
            char* text = mdb_numeric_to_string(mdb_, static_cast<int>(p - mdb_->pg_buf), column.col_scale,
                                               column.col_prec);
            number(w, std::strtod(text, nullptr));
            g_free(text);
            return;
        }
        case MDB_REPID: writeGuid(w, p); return;
        case MDB_TEXT: writeText(w, p, static_cast<std::size_t>(size), column); return;
        case MDB_BINARY: writeBytes(w, CellTag::Binary, p, static_cast<std::size_t>(size)); return;
        case MDB_MEMO:
            readLongValue(p, size, column);
            writeText(w, longValue_.data(), longValue_.size(), column);
            return;
        case MDB_OLE:
            readLongValue(p, size, column);
            writeBytes(w, CellTag::Binary, longValue_.data(), longValue_.size());
            return;
        default: w.putU8(static_cast<std::uint8_t>(CellTag::Null)); return;
        }
    }

    void writeGuid(FrameWriter& w, const unsigned char* p)
    {
        char text[40];
        const int n = std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                                    static_cast<unsigned>(le32(p)), static_cast<unsigned>(le16(p + 4)),
                                    static_cast<unsigned>(le16(p + 6)), p[8], p[9], p[10], p[11], p[12], p[13],
                                    p[14], p[15]);
        writeBytes(w, CellTag::Text, reinterpret_cast<const unsigned char*>(text), static_cast<std::size_t>(n));
    }

    void writeBytes(FrameWriter& w, CellTag tag, const unsigned char* p, std::size_t size)
    {
        w.putU8(static_cast<std::uint8_t>(tag));
        w.putString(std::string_view(reinterpret_cast<const char*>(p), size));
    }

    void writeText(FrameWriter& w, const unsigned char* p, std::size_t size, const MdbColumn& column)
    {
        w.putU8(static_cast<std::uint8_t>(CellTag::Text));
        const std::size_t lengthAt = w.placeholderU32();
        std::size_t written;
        if (jet3_) {
            // Jet 3 text is in the file's code page; libmdb converts it with iconv.
            const std::size_t room = 3 * size + 2;
            written = static_cast<std::size_t>(
                mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(p), size, w.reserve(room), room - 1));
        } else {
            written = decodeJet4Text(p, size, w.reserve(jet4TextCapacity(size)));
        }
        if (written > kMaxTextBytes)
            fail(ErrorNumber::FileTooLarge, "a value in column '" + std::string(column.name) + "' of table '"
                                                + table_->name + "' is larger than 24 MiB");
        w.commit(written);
        w.patchU32(lengthAt, static_cast<std::uint32_t>(written));
    }

    [[noreturn]] void damagedValue(const MdbColumn& column, const char* what) const
    {
        fail(ErrorNumber::DamagedData, std::string("a value in column '") + column.name + "' of table '"
                                           + table_->name + "' " + what);
    }

    // A memo or OLE value: inline in the row, in one row of a long-value page, or in a chain of them.
    void readLongValue(const unsigned char* p, int size, const MdbColumn& column)
    {
        longValue_.clear();
        if (size == 0)
            return;
        if (static_cast<std::size_t>(size) < kLongValueHeader)
            damagedValue(column, "has a cut header");
        const std::size_t length = le16(p) | std::size_t(p[2]) << 16;
        const int kind = p[3];
        std::uint32_t pgRow = le32(p + 4);
        if (kind == kInlineValue) {
            if (length > static_cast<std::size_t>(size) - kLongValueHeader)
                damagedValue(column, "is longer than its row");
            longValue_.assign(p + kLongValueHeader, p + kLongValueHeader + length);
            return;
        }
        if (kind != kSinglePageValue && kind != kChainedValue)
            damagedValue(column, "has an unknown storage kind");
        for (int pages = 0; longValue_.size() < length; ++pages) {
            if (pgRow == 0)
                damagedValue(column, "ends before its length");
            if (pages == kMaxChainPages)
                damagedValue(column, "has a chain of pages without end");
            std::size_t rowSize = 0;
            const unsigned char* data = longValueRow(pgRow, &rowSize);
            if (!data)
                damagedValue(column, "points to a missing row");
            if (kind == kSinglePageValue) {
                if (rowSize < length)
                    damagedValue(column, "is longer than its page");
                longValue_.assign(data, data + length);
                return;
            }
            if (rowSize < 4)
                damagedValue(column, "has a cut link");
            pgRow = le32(data);
            const std::size_t chunk = std::min(rowSize - 4, length - longValue_.size());
            longValue_.insert(longValue_.end(), data + 4, data + 4 + chunk);
        }
    }

    // The row a long value's pg_row names, or nullptr. Long-value pages are read into a buffer of the
    // reader's own, which keeps the data page in mdb->pg_buf and serves the next value on the same page.
    const unsigned char* longValueRow(std::uint32_t pgRow, std::size_t* size)
    {
        const std::uint32_t page = pgRow >> 8;
        const int row = static_cast<int>(pgRow & 0xFF);
        const int pageSize = static_cast<int>(mdb_->fmt->pg_size);
        if (page != longValuePageNumber_) {
            longValuePageNumber_ = 0;
            if (page == 0 || page >= pageCount_ || mdb_read_alt_pg(mdb_, page) != pageSize)
                return nullptr;
            longValuePage_.assign(mdb_->alt_pg_buf, mdb_->alt_pg_buf + pageSize);
            longValuePageNumber_ = page;
        }
        const unsigned char* p = longValuePage_.data();
        const int offsets = mdb_->fmt->row_count_offset;
        if (p[0] != kDataPage || row >= static_cast<int>(le16(p + offsets)) || offsets + 4 + 2 * row > pageSize)
            return nullptr;
        const int start = static_cast<int>(le16(p + offsets + 2 + 2 * row) & 0x1FFF);
        const int end = row == 0 ? pageSize : static_cast<int>(le16(p + offsets + 2 * row) & 0x1FFF);
        if (start >= pageSize || start > end || end > pageSize)
            return nullptr;
        *size = static_cast<std::size_t>(end - start);
        return p + start;
    }

    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::uint32_t pageCount_;
    Output& out_;
    bool jet3_;
    std::vector<MdbField> fields_;
    std::vector<unsigned char> longValue_;
    std::vector<unsigned char> longValuePage_;
    std::uint32_t longValuePageNumber_ = 0;
};

void readTable(MdbHandle* mdb, MdbCatalogEntry* entry, std::uint32_t pageCount, Output& out)
{
    const std::string name = validUtf8(entry->object_name);
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()) || !table->columns)
        fail(ErrorNumber::DamagedData, "the definition of table '" + name + "' cannot be read");
    if (table->num_cols == 0 || table->num_cols > kMaxColumns || table->columns->len != table->num_cols)
        fail(ErrorNumber::DamagedData, "table '" + name + "' has " + std::to_string(table->num_cols) + " columns");
    std::vector<std::pair<ColumnType, std::string>> columns;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        std::string columnName = validUtf8(column->name);
        if (columnName.empty())
            fail(ErrorNumber::DamagedData, "table '" + name + "' has a column without a name");
        columns.emplace_back(columnTypeOf(column->col_type), std::move(columnName));
    }
    out.beginTable(name, columns);
    TableReader(mdb, table.get(), pageCount, out).readRows();
    out.endTable();
}

// libmdb stops reading the catalog quietly where a file was cut short, which would lose tables: the
// catalog lists itself, and its pages must all lie inside the file.
void checkCatalogComplete(MdbHandle* mdb, std::uint32_t pageCount)
{
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || std::strcmp(entry->object_name, "MSysObjects") != 0)
            continue;
        std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
        if (!table)
            break;
        PageWalker pages(mdb, table.get(), pageCount);
        while (pages.next()) {
        }
        return;
    }
    fail(ErrorNumber::UnrecognizedFormat, "its catalog is incomplete");
}

}  // namespace

void readDictionary(const std::string& path, const std::vector<std::string>& wantedTables, Output& out)
{
    const FileFacts facts = checkFile(path);
    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb)
        fail(ErrorNumber::UnrecognizedFormat, "libmdb does not take it for an Access database");
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        fail(ErrorNumber::UnrecognizedFormat, "its catalog cannot be read");
    const auto pageCount = static_cast<std::uint32_t>(facts.size / mdb->fmt->pg_size);

    checkCatalogComplete(mdb.get(), pageCount);

    std::vector<std::string> names;
    std::vector<MdbCatalogEntry*> entries;
    for (unsigned i = 0; i < mdb->catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        std::string name = validUtf8(entry->object_name);
        if (name.empty())
            continue;
        names.push_back(std::move(name));
        entries.push_back(entry);
    }
    out.catalog(names);

    std::vector<std::string> foldedNames;
    for (const std::string& name : names)
        foldedNames.push_back(folded(name));
    std::vector<bool> read(names.size(), false);
    for (const std::string& wanted : wantedTables) {
        const std::string key = folded(validUtf8(wanted.c_str()));
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (foldedNames[i] != key)
                continue;
            if (!read[i]) {
                read[i] = true;
                readTable(mdb.get(), entries[i], pageCount, out);
            }
            break;
        }
    }
}

}  // namespace volmira::reader
