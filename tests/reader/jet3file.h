#pragma once

// A small writer of Jet 3 files (2 KB pages, single-byte code page 1252 text) for the reader's tests.
// Every table gets one definition page, one data page and one long-value page: its rows must fit on one
// page each. Short memo values are stored inline, longer ones on the long-value page; rows longer than
// 256 bytes get their jump bytes.

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <vector>

namespace volmira::testjet3 {

enum class Jet3Type : std::uint8_t { Bool = 1, Integer = 3, Long = 4, Text = 10, Ole = 11, Memo = 12 };

struct Jet3Column {
    QString name;
    Jet3Type type;
    int size = 0;  // the most characters of a text column
};

struct Jet3Table {
    QString name;
    std::vector<Jet3Column> columns;
    std::vector<std::vector<QVariant>> rows;  // a null QVariant is Null
};

// The whole file; the catalog MSysObjects comes first and lists itself and every table.
QByteArray buildJet3File(const std::vector<Jet3Table>& tables);

}  // namespace volmira::testjet3
