#include "dictionary/filereader.h"

#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/reader/dictionaryreader.h"
#include "dictionary/reader/failure.h"
#include "dictionary/reader/rowsink.h"

namespace volmira {

namespace {

QString describe(int number, const QString& path, const QString& detail)
{
    if (number == ErrorNumber::FileInUse)  // Jet's own words
        return QStringLiteral("Could not use '%1'; file already in use.").arg(path);
    QString what;
    switch (number) {
    case ErrorNumber::FileNotFound: what = QStringLiteral("Could not find file '%1'"); break;
    case ErrorNumber::UnrecognizedFormat: what = QStringLiteral("Unrecognized database format '%1'"); break;
    case ErrorNumber::NotValidPassword: what = QStringLiteral("Not a valid password for '%1'"); break;
    case ErrorNumber::FileTooLarge: what = QStringLiteral("Cannot read '%1', it is too large"); break;
    case ErrorNumber::DamagedData: what = QStringLiteral("The database '%1' is damaged or incomplete"); break;
    default: what = QStringLiteral("Cannot read '%1'"); break;
    }
    return what.arg(path) + QStringLiteral(": ") + detail + QLatin1Char('.');
}

[[noreturn]] void raise(int number, const QString& path, const QString& detail)
{
    throw Error(number, describe(number, path, detail));
}

// Hands the reader's UTF-8 names to the sink as text; the cells go through unchanged.
class SinkAdapter final : public reader::RowSink {
public:
    explicit SinkAdapter(TableSink& sink) : sink_(sink) {}

    void catalog(const std::vector<std::string>& userTables) override
    {
        QStringList names;
        names.reserve(qsizetype(userTables.size()));
        for (const std::string& table : userTables)
            names.append(QString::fromStdString(table));
        sink_.catalog(names);
    }

    void beginTable(std::string_view name, const std::vector<reader::ReadColumn>& columns) override
    {
        std::vector<ColumnInfo> infos(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            infos[i].name = QString::fromStdString(columns[i].name);
            infos[i].type = columns[i].type;
        }
        sink_.beginTable(QString::fromUtf8(name.data(), qsizetype(name.size())), infos);
    }

    void row(const CellView* cells, int count) override { sink_.row(cells, count); }
    void endTable() override { sink_.endTable(); }

private:
    TableSink& sink_;
};

}  // namespace

void FileReader::read(const QString& path, const QStringList& wantedTables, TableSink& sink)
{
    const QByteArray name = fileNameToBytes(path);
    std::vector<std::string> tables;
    tables.reserve(std::size_t(wantedTables.size()));
    for (const QString& table : wantedTables)
        tables.push_back(table.toStdString());
    SinkAdapter adapter(sink);
    try {
        reader::readDictionaryAlongside(name.toStdString(), tables, adapter);
    } catch (const reader::Failure& failure) {
        if (failure.number == ErrorNumber::OutOfMemory)  // as the program reports it wherever it happens
            throw outOfMemory();
        raise(failure.number, path, QString::fromStdString(failure.message));
    }
}

}  // namespace volmira
