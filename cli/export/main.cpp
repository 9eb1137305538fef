// volmira-export DICTIONARY.mdb OUTDIR [--format html|markdown|csv] [--area CODE]: writes the dictionary
// as a static web site, Markdown or CSV files, read through the program's own engine and statements.

#include "areas/areacatalogue.h"
#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/statements.h"
#include "cli/export/changemarks.h"
#include "cli/export/csvexport.h"
#include "cli/export/dictionaryexport.h"
#include "cli/export/htmlsite.h"
#include "cli/export/markdownexport.h"
#include "cli/export/outputfolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <new>

namespace {

const char* const usage =
    "Usage: volmira-export DICTIONARY.mdb OUTDIR [--format html|markdown|csv] [--area CODE] [--compare OLD.mdb]\n";

const char* const help =
    "Writes a TAVRIN data dictionary as a static web site, as Markdown or as CSV files.\n"
    "\n"
    "  --format html      a site that works from file:// without a server: index.html with the\n"
    "                     functional areas, a page per area and per table, and a search (default)\n"
    "  --format markdown  index.md and one file per area with GitHub tables\n"
    "  --format csv       tables.csv, columns.csv and values.csv (RFC 4180, UTF-8)\n"
    "  --area CODE        only the functional area CODE (for example clcl)\n"
    "  --compare OLD.mdb  also what changed since the older release OLD.mdb: a change page with marks\n"
    "                     on the changed tables and columns (html), changes.md or changes.csv\n"
    "  --help             this text\n"
    "  --version          the program's version\n"
    "\n"
    "OUTDIR is written as a whole or not at all: a folder that an earlier export wrote is replaced,\n"
    "any other existing folder must be empty. On an error the program prints it and exits with status 1;\n"
    "on a wrong command line it exits with status 2.\n";

int usageError(const QString& message)
{
    std::fprintf(stderr, "volmira-export: %s\n%s", message.toLocal8Bit().constData(), usage);
    return 2;
}

// Areas and tables done, on one line that is rewritten at most ten times a second.
class ProgressLine final {
public:
    ProgressLine() : enabled_(isatty(STDERR_FILENO) == 1) { clock_.start(); }
    ~ProgressLine()
    {
        if (enabled_ && shown_)
            std::fputs("\n", stderr);
    }

    void report(const volmira::exporting::Progress& progress)
    {
        const bool areaDone = progress.tablesDone == progress.tableCount;
        if (!enabled_ || (!areaDone && clock_.elapsed() < 100))
            return;
        clock_.restart();
        shown_ = true;
        std::fprintf(stderr, "\rvolmira-export: area %d of %d (%s), table %d of %d\033[K", progress.areaNumber,
                     progress.areaCount, progress.area->title, progress.tablesDone, progress.tableCount);
        std::fflush(stderr);
    }

private:
    bool enabled_;
    bool shown_ = false;
    QElapsedTimer clock_;
};

int reportError(const volmira::Error& error)
{
    std::fprintf(stderr, "volmira-export: Error %d: %s\n", error.number(), error.description().toUtf8().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // the reader is found beside this program
    QCoreApplication::setApplicationName(QStringLiteral("volmira-export"));

    QCommandLineParser parser;
    const QCommandLineOption formatOption(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption areaOption(QStringLiteral("area"), QString(), QStringLiteral("CODE"));
    const QCommandLineOption compareOption(QStringLiteral("compare"), QString(), QStringLiteral("OLD"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({formatOption, areaOption, compareOption, helpOption, versionOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(usage, stdout);
        std::fputs("\n", stdout);
        std::fputs(help, stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("volmira-export %s\n", VOLMIRA_VERSION);
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usageError(QStringLiteral("a dictionary file and an output folder are needed"));
    // The output folder is made through Qt, which writes a name as UTF-8 only.
    if (volmira::fileNameArgument(argc, argv, positional[1]) != positional[1])
        return usageError(QStringLiteral("the output folder's name is not UTF-8 text"));
    const QString format = parser.isSet(formatOption) ? parser.value(formatOption) : QStringLiteral("html");
    if (format != QLatin1String("html") && format != QLatin1String("markdown") && format != QLatin1String("csv"))
        return usageError(QStringLiteral("unknown format \"%1\"").arg(format));
    std::vector<const volmira::FunctionalArea*> areas;
    if (parser.isSet(areaOption)) {
        const volmira::FunctionalArea* area = volmira::findFunctionalArea(parser.value(areaOption).toLower());
        if (!area)
            return usageError(QStringLiteral("unknown functional area \"%1\"").arg(parser.value(areaOption)));
        areas.push_back(area);
    } else {
        for (const volmira::FunctionalArea& area : volmira::functionalAreas())
            areas.push_back(&area);
    }

    try {
        volmira::Connection connection;
        connection.setConnectionString(
            volmira::statements::connectionString(volmira::fileNameArgument(argc, argv, positional[0])));
        connection.Open();
        std::unique_ptr<volmira::exporting::ChangeMarks> changes;
        if (parser.isSet(compareOption))
            changes = volmira::exporting::compareWith(
                volmira::fileNameArgument(argc, argv, parser.value(compareOption)), connection, areas);
        volmira::exporting::OutputFolder output(positional[1]);
        std::unique_ptr<volmira::exporting::ExportWriter> writer;
        if (format == QLatin1String("html")) {
            auto site = std::make_unique<volmira::exporting::HtmlSiteWriter>(output.workingPath());
            site->setChanges(changes.get());
            writer = std::move(site);
        } else if (format == QLatin1String("markdown"))
            writer = std::make_unique<volmira::exporting::MarkdownWriter>(output.workingPath());
        else
            writer = std::make_unique<volmira::exporting::CsvWriter>(output.workingPath());
        ProgressLine progress;
        volmira::exporting::exportDictionary(connection, areas, *writer,
                                             [&progress](const auto& state) { progress.report(state); });
        writer.reset();
        if (changes && format != QLatin1String("html"))
            volmira::exporting::writeChangesFile(*changes, format == QLatin1String("csv"), output.workingPath());
        output.commit();
    } catch (const volmira::Error& error) {
        return reportError(error);
    } catch (const std::bad_alloc&) {
        return reportError(volmira::outOfMemory());
    }
    return 0;
}
