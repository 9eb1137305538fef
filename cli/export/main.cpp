// volmira-export DICTIONARY.mdb OUTDIR [--format html|markdown|csv|dot|mermaid] [--area CODE]: writes the
// dictionary as a static web site, Markdown or CSV files, or its diagrams, read through the program's own
// engine and statements; volmira-export DICTIONARY.mdb --format lint [--fail-on RULE,...] prints its
// health report.

#include "areas/areacatalogue.h"
#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/statements.h"
#include "cli/export/changemarks.h"
#include "cli/export/csvexport.h"
#include "cli/export/dictionaryexport.h"
#include "cli/export/exportwriterpair.h"
#include "cli/export/dictionarymap.h"
#include "cli/export/graphfiles.h"
#include "cli/export/healthreport.h"
#include "cli/export/htmlsite.h"
#include "cli/export/markdownexport.h"
#include "cli/export/outputfolder.h"
#include "cli/platform.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

namespace {

const char* const usage =
    "Usage: volmira-export DICTIONARY.mdb OUTDIR [--format html|markdown|csv|dot|mermaid] [--area CODE]\n"
    "                      [--compare OLD.mdb]\n"
    "       volmira-export DICTIONARY.mdb --format lint [--fail-on RULE,...] [--area CODE]\n";

const char* const help =
    "Writes a TAVRIN data dictionary as a static web site, as Markdown or as CSV files.\n"
    "\n"
    "  --format html      a site that works from file:// without a server: index.html with the\n"
    "                     functional areas, a page per area and per table, and a search (default)\n"
    "  --format markdown  index.md and one file per area with GitHub tables\n"
    "  --format csv       tables.csv, columns.csv and values.csv (RFC 4180, UTF-8)\n"
    "  --format dot       the site's diagrams as Graphviz DOT: CODE.dot per area, CODE/TABLE.dot\n"
    "                     per table\n"
    "  --format mermaid   the same diagrams as Mermaid blocks in CODE.md and CODE/TABLE.md\n"
    "  --format lint      the health report on standard output, one finding a line, then the\n"
    "                     coverage of each area; no OUTDIR\n"
    "  --fail-on RULE,... with lint: exit with status 1 when a finding has one of these rules:\n"
    "                     table-without-description, column-without-description,\n"
    "                     description-repeats-name, placeholder-description,\n"
    "                     coded-column-without-values, values-for-missing-column,\n"
    "                     column-with-several-types, column-with-several-definitions,\n"
    "                     foreign-key-without-target (or all)\n"
    "  --area CODE        only the functional area CODE (for example clcl)\n"
    "  --compare OLD.mdb  also what changed since the older release OLD.mdb: a change page with marks\n"
    "                     on the changed tables and columns (html), changes.md or changes.csv\n"
    "  --help             this text\n"
    "  --version          the program's version\n"
    "\n"
    "OUTDIR is written as a whole or not at all: a folder that an earlier export wrote is replaced,\n"
    "any other existing folder must be empty. On an error the program prints it and exits with status 1;\n"
    "on a wrong command line it exits with status 2.\n";

using Rule = volmira::exporting::HealthReport::Rule;

int usageError(const QString& message)
{
    std::fprintf(stderr, "volmira-export: %s\n%s", message.toLocal8Bit().constData(), usage);
    return 2;
}

// Areas and tables done, on one line that is rewritten at most ten times a second.
class ProgressLine final {
public:
    ProgressLine() : enabled_(volmira::cli::errorIsTerminal()) { clock_.start(); }
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
    // The export keeps the dictionary's map while it builds one large page after another.
    volmira::cli::keepHeapCompact();
    volmira::cli::setUpStandardStreams();
    QCoreApplication app(argc, argv);  // the reader is found beside this program
    QCoreApplication::setApplicationName(QStringLiteral("volmira-export"));

    QCommandLineParser parser;
    const QCommandLineOption formatOption(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption areaOption(QStringLiteral("area"), QString(), QStringLiteral("CODE"));
    const QCommandLineOption failOnOption(QStringLiteral("fail-on"), QString(), QStringLiteral("RULES"));
    const QCommandLineOption compareOption(QStringLiteral("compare"), QString(), QStringLiteral("OLD"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOptions({formatOption, areaOption, failOnOption, compareOption, helpOption, versionOption});
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
    const QString format = parser.isSet(formatOption) ? parser.value(formatOption) : QStringLiteral("html");
    static const QStringList formats{QStringLiteral("html"), QStringLiteral("markdown"), QStringLiteral("csv"),
                                     QStringLiteral("dot"),  QStringLiteral("mermaid"),  QStringLiteral("lint")};
    if (!formats.contains(format))
        return usageError(QStringLiteral("unknown format \"%1\"").arg(format));
    const bool lint = format == QLatin1String("lint");
    const QStringList positional = parser.positionalArguments();
    if (lint && positional.size() != 1)
        return usageError(QStringLiteral("the health report needs a dictionary file and no output folder"));
    if (!lint && positional.size() != 2)
        return usageError(QStringLiteral("a dictionary file and an output folder are needed"));
    // The output folder is made through Qt, which writes a name as UTF-8 only.
    if (!lint && volmira::fileNameArgument(argc, argv, positional[1]) != positional[1])
        return usageError(QStringLiteral("the output folder's name is not UTF-8 text"));
    if (parser.isSet(failOnOption) && !lint)
        return usageError(QStringLiteral("--fail-on goes with --format lint"));
    std::vector<Rule> failOn;
    for (const QString& name : parser.value(failOnOption).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        Rule rule;
        if (name == QLatin1String("all"))
            failOn = volmira::exporting::HealthReport::rules();
        else if (volmira::exporting::HealthReport::ruleNamed(name, rule))
            failOn.push_back(rule);
        else
            return usageError(QStringLiteral("unknown rule \"%1\"").arg(name));
    }
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
        using namespace volmira::exporting;
        volmira::Connection connection;
        connection.setConnectionString(
            volmira::statements::connectionString(volmira::fileNameArgument(argc, argv, positional[0])));
        connection.Open();
        if (lint) {
            const DictionaryMap map = DictionaryMap::read(connection, areas);
            HealthReport report(connection, map);
            exportDictionary(connection, areas, report, nullptr);
            std::fputs(report.text().toUtf8().constData(), stdout);
            for (const HealthReport::Finding& finding : report.findings()) {
                if (std::find(failOn.begin(), failOn.end(), finding.rule) != failOn.end())
                    return 1;
            }
            return 0;
        }
        std::unique_ptr<ChangeMarks> changes;
        if (parser.isSet(compareOption))
            changes = compareWith(volmira::fileNameArgument(argc, argv, parser.value(compareOption)), connection, areas);
        OutputFolder output(positional[1]);
        if (format == QLatin1String("dot") || format == QLatin1String("mermaid")) {
            writeGraphFiles(DictionaryMap::read(connection, areas), areas, output.workingPath(),
                            format == QLatin1String("dot") ? GraphFormat::Dot : GraphFormat::Mermaid);
            output.commit();
            return 0;
        }
        std::unique_ptr<DictionaryMap> map;
        std::unique_ptr<HealthReport> report;
        std::unique_ptr<ExportWriter> writer;
        if (format == QLatin1String("html")) {
            map = std::make_unique<DictionaryMap>(DictionaryMap::read(connection, areas));
            report = std::make_unique<HealthReport>(connection, *map);
            auto site = std::make_unique<HtmlSiteWriter>(output.workingPath(), *map, *report);
            site->setChanges(changes.get());
            writer = std::move(site);
        } else if (format == QLatin1String("markdown")) {
            auto markdown = std::make_unique<MarkdownWriter>(output.workingPath());
            if (changes)
                markdown->setChangesTitle(changes->title());
            writer = std::move(markdown);
        } else {
            writer = std::make_unique<CsvWriter>(output.workingPath());
        }
        ProgressLine progress;
        const ProgressReport shown = [&progress](const Progress& state) { progress.report(state); };
        if (report) {
            // The report is written by the site's last step, so it takes each area first.
            ExportWriterPair both(*report, *writer);
            exportDictionary(connection, areas, both, shown);
        } else {
            exportDictionary(connection, areas, *writer, shown);
        }
        writer.reset();
        if (changes && format != QLatin1String("html"))
            writeChangesFile(*changes, format == QLatin1String("csv"), output.workingPath());
        output.commit();
    } catch (const volmira::Error& error) {
        return reportError(error);
    } catch (const std::bad_alloc&) {
        return reportError(volmira::outOfMemory());
    }
    return 0;
}
