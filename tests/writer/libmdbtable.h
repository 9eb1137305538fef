#pragma once

// Reads a whole table through libmdb, the reader the program uses, for round-trip tests.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

struct LibmdbField {
    bool isNull = true;  // from the row's null mask, so an empty text is not Null
    QString text;        // the bound value as libmdb formats it (text, memo, bool "0"/"1")
    QByteArray raw;      // the field's bytes in the row (fixed columns)
};

struct LibmdbTable {
    QStringList columnNames;
    std::vector<int> columnTypes;  // Jet type codes
    qint64 declaredRows = 0;       // from the table definition
    std::vector<std::vector<LibmdbField>> rows;
};

// Table names of the catalog, system tables left out. Returns false and sets *error on failure.
bool libmdbTableNames(const QString& path, QStringList* names, QString* error);

// Reads every row of `table`; big memos need a `bindSize` above their UTF-8 length.
bool readLibmdbTable(const QString& path, const QString& table, LibmdbTable* out, QString* error,
                     int bindSize = 300000);
