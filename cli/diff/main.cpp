// volmira-diff OLD.mdb NEW.mdb [--format text|markdown|html|json|csv] [--area CODE] [--output PATH]:
// what changed between two releases of the dictionary, as the window shows them.

#include "areas/areacatalogue.h"
#include "cli/diff/comparison.h"
#include "cli/diff/reports.h"
#include "cli/diff/snapshot.h"
#include "cli/platform.h"
#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/statements.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>
#include <exception>
#include <future>
#include <map>
#include <new>
#include <optional>

namespace {

// As diff: 0 when nothing changed, 1 when something did, 2 for trouble.
constexpr int exitChanges = 1;
constexpr int exitTrouble = 2;

const char* const usage = "Usage: volmira-diff OLD.mdb NEW.mdb [--format text|markdown|html|json|csv] [--area CODE] "
                          "[--output PATH]\n";

const char* const help =
    "Compares two releases of a TAVRIN data dictionary as the window shows them: tables added, removed\n"
    "or moved to another functional area, table and column descriptions, columns added, removed,\n"
    "reordered or changed, valid values added, removed or described anew. Possible renames are\n"
    "suggested beside the removal and the addition. A summary comes first, then the changes.\n"
    "\n"
    "  --format FORMAT  text (default), markdown, html, json or csv\n"
    "  --area CODE      only the functional area CODE (for example clcl)\n"
    "  --output PATH    write the report to PATH (whole or not at all) instead of standard output\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "\n"
    "Exit status: 0 when nothing changed, 1 when something changed, 2 on an error or a wrong command line.\n"
    "See man volmira-diff for the JSON document's shape.\n";

int usageError(const QString& message)
{
    std::fprintf(stderr, "volmira-diff: %s\n%s", message.toLocal8Bit().constData(), usage);
    return exitTrouble;
}

int reportError(const volmira::Error& error)
{
    std::fprintf(stderr, "volmira-diff: Error %d: %s\n", error.number(), error.description().toUtf8().constData());
    return exitTrouble;
}

const std::map<QString, volmira::diff::ReportFormat>& formats()
{
    using volmira::diff::ReportFormat;
    static const std::map<QString, ReportFormat> byName{{QStringLiteral("text"), ReportFormat::Text},
                                                        {QStringLiteral("markdown"), ReportFormat::Markdown},
                                                        {QStringLiteral("html"), ReportFormat::Html},
                                                        {QStringLiteral("json"), ReportFormat::Json},
                                                        {QStringLiteral("csv"), ReportFormat::Csv}};
    return byName;
}

volmira::diff::Snapshot readFile(const QString& path, const std::vector<volmira::diff::AreaName>& areas)
{
    volmira::Connection connection;
    connection.setConnectionString(volmira::statements::connectionString(path));
    connection.Open();
    return volmira::diff::readSnapshot(connection, areas);
}

void writeOutput(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty()) {
        if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) != std::size_t(bytes.size())
            || std::fflush(stdout) != 0)
            throw volmira::Error(volmira::ErrorNumber::FileSystem, QStringLiteral("cannot write standard output"));
        return;
    }
    QSaveFile file(path);  // renamed into place only when whole
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw volmira::Error(volmira::ErrorNumber::FileSystem,
                             QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("volmira-diff"));
    volmira::cli::setUpStandardStreams();

    QCommandLineParser parser;
    const QCommandLineOption formatOption(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption areaOption(QStringLiteral("area"), QString(), QStringLiteral("CODE"));
    const QCommandLineOption outputOption(QStringLiteral("output"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({formatOption, areaOption, outputOption, helpOption, versionOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(usage, stdout);
        std::fputs("\n", stdout);
        std::fputs(help, stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("volmira-diff %s\n", VOLMIRA_VERSION);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usageError(QStringLiteral("an old and a new dictionary file are needed"));
    const QString formatName = parser.isSet(formatOption) ? parser.value(formatOption) : QStringLiteral("text");
    const auto format = formats().find(formatName);
    if (format == formats().end())
        return usageError(QStringLiteral("unknown format \"%1\"").arg(formatName));
    std::vector<volmira::diff::AreaName> areas;
    for (const volmira::FunctionalArea& area : volmira::functionalAreas()) {
        if (!parser.isSet(areaOption) || parser.value(areaOption).toLower() == QLatin1String(area.code))
            areas.push_back({QString::fromLatin1(area.code), QString::fromLatin1(area.title)});
    }
    if (areas.empty())
        return usageError(QStringLiteral("unknown functional area \"%1\"").arg(parser.value(areaOption)));
    const QString output =
        parser.isSet(outputOption) ? volmira::fileNameArgument(argc, argv, parser.value(outputOption)) : QString();

    try {
        const QString oldPath = volmira::fileNameArgument(argc, argv, positional[0]);
        const QString newPath = volmira::fileNameArgument(argc, argv, positional[1]);
        // The two files are read at once, each in a thread of its own. When both fail, the old file's
        // error is the one told, as when they are read in turn.
        auto reading = std::async(std::launch::async, [&oldPath, &areas] { return readFile(oldPath, areas); });
        std::optional<volmira::diff::Snapshot> read;
        std::exception_ptr failure;
        try {
            read = readFile(newPath, areas);
        } catch (...) {
            failure = std::current_exception();
        }
        volmira::diff::Snapshot before = reading.get();
        if (failure)
            std::rethrow_exception(failure);
        volmira::diff::Snapshot& after = *read;
        const volmira::diff::Comparison comparison = volmira::diff::compare(before, after, areas);
        // The report needs only the comparison: the two dictionaries are let go while it is made.
        auto releasing = std::async(std::launch::async, [&before, &after] {
            before = {};
            after = {};
        });
        writeOutput(output, volmira::diff::report(comparison, format->second,
                                                  {QFileInfo(oldPath).fileName(), QFileInfo(newPath).fileName()}));
        releasing.get();
        return comparison.changes.empty() ? 0 : exitChanges;
    } catch (const volmira::Error& error) {
        return reportError(error);
    } catch (const std::bad_alloc&) {
        return reportError(volmira::outOfMemory());
    }
}
