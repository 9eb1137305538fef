#pragma once

#include <QString>

#include <optional>
#include <vector>

// A small dictionary file for the search tests: rows of Main and of CDS_TBL_TABLE_DESC, written as a
// Jet 4.0 file with one release row.
class SearchDictionary final {
public:
    // A row of Main. The sequence number is the row's position among the rows of its table unless
    // given; a missing table name is written as Null.
    SearchDictionary& column(const QString& area, const std::optional<QString>& table, const QString& column,
                             const QString& definition = QString(), int seqNo = -1);
    SearchDictionary& tableDescription(const QString& area, const QString& table, const QString& description,
                                       const QString& logicalName = QString());
    // Writes the file and returns its path.
    QString write(const QString& path) const;

private:
    struct MainRow {
        QString area;
        std::optional<QString> table;
        QString column;
        QString definition;
        int seqNo;
    };
    struct DescriptionRow {
        QString area, table, description, logicalName;
    };
    std::vector<MainRow> main_;
    std::vector<DescriptionRow> descriptions_;
};
