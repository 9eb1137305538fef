#pragma once

#include "dictionary/tablesink.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// Keeps everything a reader hands over, with the text copied out of the reader's buffer.
struct RecordedCell {
    volmira::CellView::Kind kind = volmira::CellView::Kind::Null;
    double number = 0;
    std::string text;
};

struct RecordedTable {
    QString name;
    std::vector<volmira::ColumnInfo> columns;
    std::vector<std::vector<RecordedCell>> rows;
    bool ended = false;
};

class RecordingSink final : public volmira::TableSink {
public:
    void catalog(const QStringList& userTables) override
    {
        catalogCalls++;
        tables = userTables;
    }
    void beginTable(const QString& name, const std::vector<volmira::ColumnInfo>& columns) override
    {
        read.push_back(RecordedTable{name, columns, {}, false});
    }
    void row(const volmira::CellView* cells, int count) override
    {
        std::vector<RecordedCell> row(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            row[std::size_t(i)] = RecordedCell{cells[i].kind, cells[i].number, std::string(cells[i].text)};
        read.back().rows.push_back(std::move(row));
    }
    void endTable() override { read.back().ended = true; }

    int catalogCalls = 0;
    QStringList tables;
    std::vector<RecordedTable> read;
};
