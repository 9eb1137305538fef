#pragma once

#include "dictionary/fieldvalue.h"

#include <QString>

#include <memory>
#include <vector>

namespace volmira {

class Connection;

// The result of one SELECT over a connection. Every recordset can move both ways.
// (The end and start tests are Eof and Bof: EOF is a macro of the C library.)
class Recordset final {
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    // Runs the statement; afterwards the current row is the first, or Eof is true for no row.
    void Open(const QString& sql, const Connection& activeConnection);
    void Close();  // raises an Error when the recordset is not open
    bool isOpen() const noexcept { return open_; }

    bool Eof() const;
    bool Bof() const;
    void MoveNext();
    void MovePrevious();
    void MoveFirst();
    void Move(long long rows);

    // The field at zero-based position i of the SELECT list in the current row.
    const Field& Fields(int i) const;
    int fieldCount() const noexcept { return columnCount_; }
    // The name of the field at zero-based position i, as rs.Fields(i).Name gives it.
    const QString& fieldName(int i) const;

    // Row `row` (0-based) of the result, whatever the current row is: for readers that must leave the
    // position as they found it.
    long long rowCount() const noexcept { return columnCount_ ? (long long)(cells_.size() / columnCount_) : 0; }
    const Field& fieldAt(long long row, int i) const;

private:
    void requireOpen() const;

    bool open_ = false;
    int columnCount_ = 0;
    std::vector<QString> names_;
    long long position_ = 0;    // -1 = before the first row, rowCount = after the last
    std::vector<Field> cells_;  // row-major: row r, field i at r * columnCount_ + i
};

}  // namespace volmira
