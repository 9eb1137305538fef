#include "dictionary/reader/dictionaryreader.h"

#include "dictionary/errornumbers.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/jetheader.h"
#include "dictionary/reader/jettext.h"
#include "dictionary/reader/rowsink.h"

// mdbtools.h wraps <glib.h> in extern "C": glib has to come first in C++.
#include <glib.h>
#include <mdbtools.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_set>

namespace volmira::reader {

namespace {

constexpr unsigned kMaxColumns = 255;
constexpr std::size_t kMaxTextBytes = std::size_t(24) << 20;
constexpr std::size_t kMaxBufferedBytes = std::size_t(200) << 20;
// A long value is at most 16 MiB in chunks of about 4 KiB: twice as many pages means a damaged chain.
constexpr int kMaxChainPages = 8192;
constexpr int kMaxRowsPerPage = 1000;  // libmdb's own bound on a row number
constexpr int kDeletedRow = 0x8000;    // flags in a row's offset
constexpr int kMovedRow = 0x4000;
constexpr int kRowOffsetMask = 0x1FFF;  // the offset itself
constexpr int kMaxMoves = 4;
constexpr unsigned char kDataPage = 0x01;
constexpr unsigned char kDefinitionPage = 0x02;
constexpr unsigned char kUsageBitmapPage = 0x05;
constexpr unsigned char kInlineUsageMap = 0x00;
constexpr unsigned char kPagedUsageMap = 0x01;
constexpr std::size_t kInlineUsageMapHeader = 5;
constexpr std::size_t kUsageBitmapPageHeader = 4;
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

[[noreturn]] void fail(int number, std::string message) { throw Failure{number, std::move(message)}; }

struct FileFacts {
    off_t size = 0;
};

// Another program that holds a write lock on the file (flock, POSIX or open-file-description lock) has
// it to itself, as Jet's exclusive open. Only asked, never waited for; a read lock is no obstacle.
bool heldForWriting(int fd)
{
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    // An open-file-description query also sees the POSIX locks of other processes.
    if (::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK)
        return true;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd, LOCK_UN);
    return false;
}

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
    if (heldForWriting(fd))
        fail(ErrorNumber::FileInUse, "another program holds a write lock on it");
    unsigned char header[kHeaderBytes];
    ssize_t got;
    do
        got = ::pread(fd, header, sizeof header, 0);
    while (got < 0 && errno == EINTR);
    if (got < 0)
        fail(ErrorNumber::FileSystem, std::strerror(errno));
    switch (inspectHeader(header, static_cast<std::size_t>(got))) {
    case HeaderVerdict::NotJet: fail(ErrorNumber::UnrecognizedFormat, "it is not a Jet database");
    case HeaderVerdict::PasswordProtected:
        fail(ErrorNumber::NotValidPassword, "the database is protected by a password");
    case HeaderVerdict::Jet: break;
    }
    // Jet files consist of whole pages; anything else was cut short.
    const off_t pageSize = header[0x14] == 0 ? 2048 : 4096;
    if (facts.st_size < 3 * pageSize || facts.st_size % pageSize != 0)
        fail(ErrorNumber::DamagedData, "the file is cut short after " + std::to_string(facts.st_size) + " bytes");
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

// A page read into the handle's second buffer, or nullptr when it lies past the end of the file.
const unsigned char* readOtherPage(MdbHandle* mdb, std::uint32_t page, std::uint32_t pageCount)
{
    if (page == 0 || page >= pageCount || mdb_read_alt_pg(mdb, page) != mdb->fmt->pg_size)
        return nullptr;
    return mdb->alt_pg_buf;
}

[[noreturn]] void damagedTable(const std::string& table, const std::string& what)
{
    fail(ErrorNumber::DamagedData, "table '" + table + "' " + what);
}

// A table's definition is a chain of definition pages; its usage map is a row of a data page. libmdb
// reads both without asking what kind of page it got, or quietly stops where the file ends.
void checkDefinitionPages(MdbHandle* mdb, const MdbCatalogEntry& entry, const std::string& name,
                          std::uint32_t pageCount)
{
    auto page = static_cast<std::uint32_t>(entry.table_pg);
    std::uint32_t usageMapPage = 0;
    for (std::uint32_t pages = 0; page != 0; ++pages) {
        const unsigned char* p = readOtherPage(mdb, page, pageCount);
        if (!p)
            damagedTable(name, "has its definition on page " + std::to_string(page) + ", past the end of the file");
        if (p[0] != kDefinitionPage || pages == pageCount)
            damagedTable(name, "has its definition on page " + std::to_string(page) + ", which holds no definition");
        if (pages == 0)
            usageMapPage = le32(p + mdb->fmt->tab_usage_map_offset) >> 8;
        page = le32(p + 4);
    }
    const unsigned char* map = readOtherPage(mdb, usageMapPage, pageCount);
    if (!map)
        damagedTable(name, "has its usage map on page " + std::to_string(usageMapPage) + ", past the end of the file");
    if (map[0] != kDataPage)
        damagedTable(name, "has its usage map on page " + std::to_string(usageMapPage) + ", which is no data page");
}

// Visits a table's data pages in the order of its usage map, loading each into mdb->pg_buf. Every page
// the map lists must lie inside the file and be one of the table's data pages: anything else is damage,
// which libmdb would skip or read as an empty table.
class PageWalker final {
public:
    PageWalker(MdbHandle* mdb, MdbTableDef* table, std::string name, std::uint32_t pageCount)
        : mdb_(mdb), table_(table), name_(std::move(name)), pageCount_(pageCount),
          map_(static_cast<const unsigned char*>(table->usage_map)), mapSize_(map_ ? std::size_t(table->map_sz) : 0),
          bitmapBits_(8 * (static_cast<std::size_t>(mdb->fmt->pg_size) - kUsageBitmapPageHeader))
    {
        if (mapSize_ == 0)
            return;
        if (map_[0] == kInlineUsageMap && mapSize_ < kInlineUsageMapHeader)
            damagedTable(name_, "has a cut usage map");
        if (map_[0] != kInlineUsageMap && map_[0] != kPagedUsageMap)
            damagedTable(name_, "has a usage map of unknown kind " + std::to_string(map_[0]));
    }

    // The next page, or 0 after the last.
    std::uint32_t next()
    {
        const std::uint64_t page = mapSize_ == 0                ? nextOwnPage()
                                   : map_[0] == kInlineUsageMap ? nextInline()
                                                                : nextPaged();
        if (page == kNoPage)
            return 0;
        if (page >= pageCount_)
            damagedTable(name_, "lists page " + std::to_string(page) + " past the end of the file, which has "
                                    + std::to_string(pageCount_) + " pages");
        current_ = static_cast<std::uint32_t>(page);
        if (mdb_read_pg(mdb_, current_) != mdb_->fmt->pg_size)
            fail(ErrorNumber::FileSystem, "page " + std::to_string(current_) + " cannot be read");
        if (mdb_->pg_buf[0] != kDataPage
            || mdb_get_int32(mdb_->pg_buf, 4) != static_cast<long>(table_->entry->table_pg))
            damagedTable(name_, "lists page " + std::to_string(current_) + ", which is not one of its data pages");
        return current_;
    }

private:
    static constexpr std::uint64_t kNoPage = ~std::uint64_t(0);

    // A usage map of length 0 (on which libmdb crashes) lists nothing: the table's pages are found by
    // their owner instead.
    std::uint64_t nextOwnPage()
    {
        while (++current_ < pageCount_) {
            const unsigned char* p = readOtherPage(mdb_, current_, pageCount_);
            if (p && p[0] == kDataPage && le32(p + 4) == table_->entry->table_pg)
                return current_;
        }
        return kNoPage;
    }

    // Inline map: a start page and a bitmap of the pages after it.
    std::uint64_t nextInline()
    {
        const std::uint64_t start = le32(map_ + 1);
        const std::size_t bits = 8 * (mapSize_ - kInlineUsageMapHeader);
        while (bit_ < bits) {
            const std::size_t i = bit_++;
            if (map_[kInlineUsageMapHeader + i / 8] >> (i % 8) & 1)
                return start + i;
        }
        return kNoPage;
    }

    // Paged map: a list of bitmap pages, each covering the next stretch of the file.
    std::uint64_t nextPaged()
    {
        const std::size_t slots = (mapSize_ - 1) / 4;
        for (; slot_ < slots; ++slot_, bit_ = 0) {
            const std::uint32_t mapPage = le32(map_ + 1 + 4 * slot_);
            if (mapPage == 0)
                continue;
            if (bit_ == 0) {
                const unsigned char* p = readOtherPage(mdb_, mapPage, pageCount_);
                if (!p)
                    damagedTable(name_,
                                 "has its usage map on page " + std::to_string(mapPage) + ", past the end of the file");
                if (p[0] != kUsageBitmapPage)
                    damagedTable(name_,
                                 "has its usage map on page " + std::to_string(mapPage) + ", which is no usage bitmap");
                bitmap_.assign(p + kUsageBitmapPageHeader, p + mdb_->fmt->pg_size);
            }
            while (bit_ < bitmapBits_) {
                const std::size_t i = bit_++;
                if (bitmap_[i / 8] >> (i % 8) & 1)
                    return std::uint64_t(slot_) * bitmapBits_ + i;
            }
        }
        return kNoPage;
    }

    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::string name_;
    std::uint32_t pageCount_;
    const unsigned char* map_;
    std::size_t mapSize_;
    std::size_t bitmapBits_;
    std::size_t slot_ = 0;
    std::size_t bit_ = 0;
    std::vector<unsigned char> bitmap_;
    std::uint32_t current_ = 0;
};

// What the long values of one open may add up to. Every long value lies on pages of its own, so a sound
// file's long values together hold fewer bytes than the file; reading more means rows that share a value,
// and a small file could otherwise fill the program's memory with copies of it.
struct LongValueBudget {
    std::uint64_t bytesLeft;
};

class TableReader final {
public:
    TableReader(MdbHandle* mdb, MdbTableDef* table, std::string name, std::uint32_t pageCount, LongValueBudget& budget,
                RowSink& out)
        : mdb_(mdb), table_(table), name_(std::move(name)), pageCount_(pageCount), budget_(budget), out_(out),
          jet3_(mdb->f->jet_version == MDB_VER_JET3), fields_(table->num_cols)
    {}

    void readRows()
    {
        PageWalker pages(mdb_, table_, name_, pageCount_);
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
                    readMovedRow(le32(mdb_->pg_buf + (start & kRowOffsetMask)));
                if (mdb_read_pg(mdb_, page) != mdb_->fmt->pg_size)
                    fail(ErrorNumber::FileSystem, "page " + std::to_string(page) + " cannot be read");
                continue;
            }
            readRow(start & kRowOffsetMask, size);
        }
    }

    // Follows a moved row's pointers (a few hops at most); leaves another page in mdb->pg_buf.
    void readMovedRow(std::uint32_t pgRow)
    {
        // A sound file moves each row once; rows that point at the same place would read it many times.
        if (!movedTo_.insert(pgRow).second)
            fail(ErrorNumber::DamagedData, "two rows of table '" + name_ + "' moved to the same place");
        for (int hop = 0; hop < kMaxMoves; ++hop) {
            const std::uint32_t page = pgRow >> 8;
            if (page == 0 || page >= pageCount_ || mdb_read_pg(mdb_, page) != mdb_->fmt->pg_size
                || mdb_->pg_buf[0] != kDataPage)
                fail(ErrorNumber::DamagedData,
                     "a row of table '" + std::string(table_->name) + "' moved to a missing page");
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb_, static_cast<int>(pgRow & 0xFF), &start, &size) != 0 || size == 0)
                fail(ErrorNumber::DamagedData,
                     "a row of table '" + std::string(table_->name) + "' moved to a missing row");
            if (!(start & kMovedRow)) {
                readRow(start & kRowOffsetMask, size);
                return;
            }
            if (size < 4)
                break;
            pgRow = le32(mdb_->pg_buf + (start & kRowOffsetMask));
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
                || static_cast<size_t>(field.start) + static_cast<size_t>(field.siz)
                       > static_cast<size_t>(start) + size)
                return false;
            if (field.siz < fixedWidthOf(column->col_type))
                return false;
        }
        return true;
    }

    void writeRow()
    {
        cells_.assign(table_->num_cols, CellView{});
        texts_.resize(table_->num_cols);
        std::size_t bytes = 0;
        for (unsigned i = 0; i < table_->num_cols; ++i) {
            const MdbField& field = fields_[i];
            const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table_->columns, i));
            CellView& cell = cells_[i];
            if (column->col_type == MDB_BOOL) {
                // A Yes/No value is its null-mask bit: a clear bit is No.
                cell = {CellView::Kind::YesNo, field.is_null ? 0.0 : -1.0, {}};
                continue;
            }
            if (field.is_null)
                continue;
            writeValue(cell, texts_[i], *column, mdb_->pg_buf + field.start, field.siz);
            bytes += cell.text.size();
            if (bytes > kMaxBufferedBytes)
                fail(ErrorNumber::FileTooLarge, "a row of table '" + std::string(table_->name) + "' is larger than "
                                                    + std::to_string(kMaxBufferedBytes >> 20) + " MiB");
        }
        out_.row(cells_.data(), static_cast<int>(cells_.size()));
    }

    static double le64Double(const unsigned char* p)
    {
        double value;
        const std::uint64_t bits = le32(p) | std::uint64_t(le32(p + 4)) << 32;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

    void writeValue(CellView& cell, std::string& text, const MdbColumn& column, const unsigned char* p, int size)
    {
        auto number = [&cell](double value, CellView::Kind kind = CellView::Kind::Number) { cell = {kind, value, {}}; };
        switch (column.col_type) {
        case MDB_BYTE: number(p[0]); return;
        case MDB_INT: number(static_cast<std::int16_t>(le16(p))); return;
        case MDB_LONGINT:
        case MDB_COMPLEX: number(static_cast<std::int32_t>(le32(p))); return;
        case MDB_MONEY: {
            const std::uint64_t raw = le32(p) | std::uint64_t(le32(p + 4)) << 32;
            number(static_cast<double>(static_cast<std::int64_t>(raw)) / 10000.0);
            return;
        }
        case MDB_FLOAT: {
            float value;
            const std::uint32_t bits = le32(p);
            std::memcpy(&value, &bits, sizeof value);
            number(value, CellView::Kind::Single);
            return;
        }
        case MDB_DOUBLE: number(le64Double(p)); return;
        case MDB_DATETIME: number(le64Double(p), CellView::Kind::Date); return;
        case MDB_NUMERIC: {
            // libmdb prints the decimal with a point: the reader runs in the C locale.
            char* decimal =
                mdb_numeric_to_string(mdb_, static_cast<int>(p - mdb_->pg_buf), column.col_scale, column.col_prec);
            number(std::strtod(decimal, nullptr));
            g_free(decimal);
            return;
        }
        case MDB_REPID: writeGuid(cell, text, p); return;
        case MDB_TEXT: writeText(cell, text, p, static_cast<std::size_t>(size), column); return;
        case MDB_BINARY: writeBytes(cell, text, CellView::Kind::Binary, p, static_cast<std::size_t>(size)); return;
        case MDB_MEMO:
            readLongValue(p, size, column);
            writeText(cell, text, longValue_.data(), longValue_.size(), column);
            return;
        case MDB_OLE:
            readLongValue(p, size, column);
            writeBytes(cell, text, CellView::Kind::Binary, longValue_.data(), longValue_.size());
            return;
        default: return;
        }
    }

    void writeGuid(CellView& cell, std::string& text, const unsigned char* p)
    {
        char guid[40];
        const int n =
            std::snprintf(guid, sizeof guid, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                          static_cast<unsigned>(le32(p)), static_cast<unsigned>(le16(p + 4)),
                          static_cast<unsigned>(le16(p + 6)), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
        writeBytes(cell, text, CellView::Kind::Text, reinterpret_cast<const unsigned char*>(guid),
                   static_cast<std::size_t>(n));
    }

    static void writeBytes(CellView& cell, std::string& text, CellView::Kind kind, const unsigned char* p,
                           std::size_t size)
    {
        text.assign(reinterpret_cast<const char*>(p), size);
        cell = {kind, 0, text};
    }

    void writeText(CellView& cell, std::string& text, const unsigned char* p, std::size_t size,
                   const MdbColumn& column)
    {
        std::size_t written;
        if (jet3_) {
            // Jet 3 text is in the file's code page; libmdb converts it with iconv.
            const std::size_t room = 3 * size + 2;
            text.resize(room);
            written = static_cast<std::size_t>(
                mdb_unicode2ascii(mdb_, reinterpret_cast<const char*>(p), size, text.data(), room - 1));
        } else {
            text.resize(jet4TextCapacity(size));
            written = decodeJet4Text(p, size, text.data());
        }
        if (written > kMaxTextBytes)
            fail(ErrorNumber::FileTooLarge, "a value in column '" + std::string(column.name) + "' of table '"
                                                + table_->name + "' is larger than 24 MiB");
        text.resize(written);
        cell = {CellView::Kind::Text, 0, text};
    }

    [[noreturn]] void damagedValue(const MdbColumn& column, const char* what) const
    {
        fail(ErrorNumber::DamagedData,
             std::string("a value in column '") + column.name + "' of table '" + table_->name + "' " + what);
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
        if (length > budget_.bytesLeft)
            fail(ErrorNumber::FileTooLarge, std::string("the long values in column '") + column.name + "' of table '"
                                                + table_->name + "' add up to more than the file holds");
        budget_.bytesLeft -= length;
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
        const int start = static_cast<int>(le16(p + offsets + 2 + 2 * row) & kRowOffsetMask);
        const int end = row == 0 ? pageSize : static_cast<int>(le16(p + offsets + 2 * row) & kRowOffsetMask);
        if (start >= pageSize || start > end || end > pageSize)
            return nullptr;
        *size = static_cast<std::size_t>(end - start);
        return p + start;
    }

    MdbHandle* mdb_;
    MdbTableDef* table_;
    std::string name_;
    std::uint32_t pageCount_;
    LongValueBudget& budget_;
    RowSink& out_;
    bool jet3_;
    std::vector<MdbField> fields_;
    std::vector<CellView> cells_;
    std::vector<std::string> texts_;  // the text of each cell of the row being built
    std::vector<unsigned char> longValue_;
    std::vector<unsigned char> longValuePage_;
    std::uint32_t longValuePageNumber_ = 0;
    std::unordered_set<std::uint32_t> movedTo_;
};

void readTable(MdbHandle* mdb, MdbCatalogEntry* entry, std::uint32_t pageCount, LongValueBudget& budget, RowSink& out)
{
    const std::string name = validUtf8(entry->object_name);
    checkDefinitionPages(mdb, *entry, name, pageCount);
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()) || !table->columns)
        fail(ErrorNumber::DamagedData, "the definition of table '" + name + "' cannot be read");
    if (table->num_cols == 0 || table->num_cols > kMaxColumns || table->columns->len != table->num_cols)
        fail(ErrorNumber::DamagedData, "table '" + name + "' has " + std::to_string(table->num_cols) + " columns");
    std::vector<ReadColumn> columns;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(table->columns, i));
        std::string columnName = validUtf8(column->name);
        if (columnName.empty())
            fail(ErrorNumber::DamagedData, "table '" + name + "' has a column without a name");
        columns.push_back({std::move(columnName), columnTypeOf(column->col_type)});
    }
    out.beginTable(name, columns);
    TableReader(mdb, table.get(), name, pageCount, budget, out).readRows();
    out.endTable();
}

// libmdb stops reading the catalog quietly where a file was cut short, which would lose tables, and
// loops or crashes on some damage to it: its definition, usage map and pages are checked first, the way
// libmdb itself finds the catalog (a table defined on page 2).
void checkCatalog(MdbHandle* mdb, std::uint32_t pageCount)
{
    static const std::string name = "MSysObjects";
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    std::strcpy(entry.object_name, name.c_str());
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    checkDefinitionPages(mdb, entry, name, pageCount);
    std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(&entry));
    if (!table)
        damagedTable(name, "has a definition that cannot be read");
    PageWalker pages(mdb, table.get(), name, pageCount);
    while (pages.next()) {
    }
}

}  // namespace

void readDictionary(const std::string& path, const std::vector<std::string>& wantedTables, RowSink& out)
{
    const FileFacts facts = checkFile(path);
    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
    if (!mdb)
        fail(ErrorNumber::UnrecognizedFormat, "libmdb does not take it for an Access database");
    const auto pageCount = static_cast<std::uint32_t>(facts.size / mdb->fmt->pg_size);
    checkCatalog(mdb.get(), pageCount);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        fail(ErrorNumber::DamagedData, "its catalog cannot be read");
    LongValueBudget budget{static_cast<std::uint64_t>(facts.size)};

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
                readTable(mdb.get(), entries[i], pageCount, budget, out);
            }
            break;
        }
    }
}

}  // namespace volmira::reader
