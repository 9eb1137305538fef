// volmira-export on a dictionary with Nulls, duplicates, hostile texts and names that are no file
// names: each format's files, the command line and its errors, and the web site in a real browser.

#include "common/dictionarybuilder.h"
#include "common/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

Run exportTo(const QStringList& arguments) { return run(program(QStringLiteral("volmira-export")), arguments); }

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing %1>").arg(path);
    return QString::fromUtf8(file.readAll());
}

// RFC 4180 records: fields split at commas, quoted fields with doubled quotes and line breaks.
QList<QStringList> parseCsv(const QString& text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && (i + 1 < text.size() ? text.at(i + 1) : QChar()) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && (i + 1 < text.size() ? text.at(i + 1) : QChar()) == QLatin1Char('\n')) {
            record << field;
            records << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}

const QString hostileDescription =
    QStringLiteral("<script>document.title='pwned'</script></td>, \"quoted\"\r\nnext line");
const QString hostileDefinition = QStringLiteral("<img src=x onerror=\"document.title='pwned'\"> a|b *bold* [x](y)");

}  // namespace

class ExportTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void htmlSiteFilesAndSafeNames();
    void siteInTheBrowser();
    void markdownFiles();
    void csvFiles();
    void oneAreaOnly();
    void commandLine();
    void errorsLeaveNoOutput();
    void aLaterExportReplacesTheEarlier();

private:
    QString browser() const;
    QString dumpDom(const QString& url) const;

    QTemporaryDir folder;
    QString dictionary;
};

void ExportTest::initTestCase()
{
    QVERIFY(folder.isValid());
    DictionaryBuilder builder;
    builder.column({"acct", "ACCT_MAIN", "AM_ID"}).dataType("char", "12").primaryKey().gui(nullptr, nullptr);
    builder.column({"acct", "ACCT_MAIN", "AM_NOTE"})
        .dataType("varchar", nullptr)
        .descriptions(nullptr, hostileDefinition)
        .foreignKey();
    builder.column({"acct", "ACCT_MAIN", "AM_DUP"}).dataType("char", "1").descriptions("first", "first row");
    builder.column({"acct", "ACCT_MAIN", "AM_DUP"}).dataType("char", "2").descriptions("second", "second row");
    builder.column({"acct", "ACCT_MAIN", "AM_DUP"})
        .dataType("char", "2")
        .descriptions("second", "second row")
        .sequence(4);
    builder.column({"acct", "ACCT_MAIN", nullptr});
    builder.column({"acct", "../ETC/PASSWD", "P_ID"});
    builder.column({"acct", "A B'C", "ABC_ID"});
    builder.column({"acct", "A/B'C", "ABC_ID"});
    builder.column({"acct", "MÜLLER_TABELLE", "GRÖSSE"}).descriptions("Größe", "Die Größe");
    builder.column({"acct", "CON", "C_ID"});
    builder.column({"clcl", "ACCT_MAIN", "AM_ID"}).descriptions("In claims", "Filed under claims as well");
    builder.tableDescription("acct", "ACCT_MAIN", "Accounts & \"more\"", hostileDescription);
    builder.tableDescription("acct", "ACCT_MAIN", "Second row", "never shown");
    builder.tableDescription("acct", "MÜLLER_TABELLE", "Müllers Tabelle", nullptr);
    builder.validValue("acct", "ACCT_MAIN", "AM_ID", "1", "One");
    builder.validValue("acct", "ACCT_MAIN", "am_id", "2", nullptr);  // names compare ignoring case
    builder.validValue("acct", "ACCT_MAIN", "AM_DUP", "<b>", "a, \"tag\"");
    builder.validValue("clcl", "ACCT_MAIN", "AM_ID", "9", "Claims only");
    builder.release(7).release(451);
    dictionary = builder.write(folder.filePath(QStringLiteral("dictionary.mdb")));
}

void ExportTest::htmlSiteFilesAndSafeNames()
{
    const QString site = folder.filePath(QStringLiteral("site"));
    const Run exported = exportTo({dictionary, site});
    QCOMPARE(exported.exitCode, 0);
    QCOMPARE(exported.err, QByteArray());  // no progress when stderr is no terminal

    const QString index = readText(site + QStringLiteral("/index.html"));
    QCOMPARE(index.count(QStringLiteral("<li><a href=")), 23);
    QVERIFY(index.contains(QStringLiteral("Database Version : 451")));
    QVERIFY(index.contains(QStringLiteral("<span class=\"title\">Accounting</span> <span class=\"code\">ACCT</span> "
                                          "<span class=\"count\">6 tables</span>")));
    QVERIFY(QFile::exists(site + QStringLiteral("/assets/pictures/clcl.svg")));

    // Every table page lies in its area's folder under a name of safe characters, each a file of its own.
    QStringList pages = QDir(site + QStringLiteral("/acct")).entryList(QDir::Files);
    QCOMPARE(pages.size(), 6);
    for (const QString& page : pages)
        QVERIFY2(QRegularExpression(QStringLiteral("^[a-z0-9_-]+\\.html$")).match(page).hasMatch(), qPrintable(page));
    QVERIFY(pages.contains(QStringLiteral("con_.html")));
    QVERIFY(pages.contains(QStringLiteral("a_b_c.html")));
    QVERIFY(pages.contains(QStringLiteral("a_b_c-2.html")));
    QDirIterator everything(site, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (everything.hasNext())
        QVERIFY2(QFileInfo(everything.next()).canonicalFilePath().startsWith(QFileInfo(site).canonicalFilePath()),
                 qPrintable(everything.filePath()));

    const QString area = readText(site + QStringLiteral("/acct.html"));
    QVERIFY(area.contains(QStringLiteral("<a href=\"acct/___etc_passwd.html\">../ETC/PASSWD</a>")));
    QVERIFY(area.contains(QStringLiteral("Accounts &amp; &quot;more&quot;")));

    const QString table = readText(site + QStringLiteral("/acct/acct_main.html"));
    QVERIFY(!table.contains(QStringLiteral("<script")));
    QVERIFY(!table.contains(QStringLiteral("<img src=x")));
    QVERIFY(table.contains(QStringLiteral("&lt;script&gt;document.title=&#39;pwned&#39;&lt;/script&gt;&lt;/td&gt;")));
    QVERIFY(!table.contains(QStringLiteral("never shown")));  // the first description row only
    // Nulls as the window shows them, the duplicate rows in their order, values found ignoring case.
    QVERIFY(table.contains(QStringLiteral("<td data-label=\"GUI Label\">N/A</td>")));
    QVERIFY(table.contains(QStringLiteral("<td data-label=\"Data Type\">varchar</td>")));
    QCOMPARE(table.count(QStringLiteral("<tr id=")), 4);
    QVERIFY(table.indexOf(QStringLiteral("char(1)")) < table.indexOf(QStringLiteral("char(2)")));
    QVERIFY(table.contains(QStringLiteral("<li><span class=\"value\">1</span>-One</li>"
                                          "<li><span class=\"value\">2</span>-</li>")));
    QVERIFY(!table.contains(QStringLiteral("Claims only")));
}

QString ExportTest::browser() const { return QStandardPaths::findExecutable(QStringLiteral("chromium")); }

QString ExportTest::dumpDom(const QString& url) const
{
    QTemporaryDir profile;
    const Run dumped =
        run(browser(), {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                        QStringLiteral("--user-data-dir=") + profile.path(),
                        QStringLiteral("--virtual-time-budget=10000"), QStringLiteral("--dump-dom"), url});
    return QString::fromUtf8(dumped.exitCode == 0 ? dumped.out : "chromium failed: " + dumped.err);
}

void ExportTest::siteInTheBrowser()
{
    VOLMIRA_NEEDS_CHROMIUM(browser());
    const QString site = folder.filePath(QStringLiteral("browsed"));
    QCOMPARE(exportTo({dictionary, site}).exitCode, 0);
    const QString root = QUrl::fromLocalFile(site).toString();

    const QString index = dumpDom(root + QStringLiteral("/index.html"));
    QCOMPARE(index.count(QStringLiteral("<span class=\"title\">")), 23);
    QVERIFY(index.contains(QStringLiteral("Utilization Management")));

    // The table page: its columns, its valid values, and the hostile texts as text that ran nothing.
    const QString table = dumpDom(root + QStringLiteral("/acct/acct_main.html"));
    QVERIFY(table.contains(QStringLiteral("<title>ACCT_MAIN")));
    QVERIFY(table.contains(QStringLiteral("AM_NOTE")));
    QVERIFY(table.contains(QStringLiteral("<span class=\"value\">&lt;b&gt;</span>-a, \"tag\"")));
    QVERIFY(table.contains(QStringLiteral("&lt;script&gt;document.title='pwned'&lt;/script&gt;")));
    QVERIFY(!table.contains(QStringLiteral("<img src=\"x\"")));
    QVERIFY(!table.contains(QStringLiteral("pwned</title>")));

    // A shared search link: the hits listed and linked, a non-ASCII text found ignoring its case.
    const QString byColumn = dumpDom(root + QStringLiteral("/index.html?q=%20am_id%20&mode=colname&area=clcl"));
    QVERIFY(byColumn.contains(QStringLiteral("<h2>1 column in 1 table</h2>")));
    QVERIFY(byColumn.contains(QStringLiteral("<a href=\"clcl/acct_main.html#c1\">AM_ID</a>")));
    const QString byName = dumpDom(root + QStringLiteral("/index.html?q=m%C3%BCller&mode=tablename&area=all"));
    QVERIFY(byName.contains(QStringLiteral("<a href=\"acct/m_ller_tabelle.html\">MÜLLER_TABELLE</a>")));
    QVERIFY(byName.contains(QStringLiteral("<h2>1 table found</h2>")));

    // Hostile texts among the hits stay text, too.
    const QString hostile = dumpDom(root + QStringLiteral("/index.html?q=onerror&mode=coldesc&area=all"));
    QVERIFY(hostile.contains(QStringLiteral("<h2>1 column in 1 table</h2>")));
    QVERIFY(hostile.contains(QStringLiteral("&lt;img src=x onerror=")));
    QVERIFY(!hostile.contains(QStringLiteral("<img src=\"x\"")));
    QVERIFY(!hostile.contains(QStringLiteral("pwned</title>")));
    const QString nothing = dumpDom(root + QStringLiteral("/index.html?q=zzz&mode=tabledesc&area=acct"));
    QVERIFY(nothing.contains(QStringLiteral("<h2>No result found</h2>")));
}

void ExportTest::markdownFiles()
{
    const QString out = folder.filePath(QStringLiteral("markdown"));
    QCOMPARE(exportTo({dictionary, out, QStringLiteral("--format"), QStringLiteral("markdown")}).exitCode, 0);
    const QString index = readText(out + QStringLiteral("/index.md"));
    QCOMPARE(index.count(QStringLiteral(".md) |")), 23);
    QVERIFY(index.contains(QStringLiteral("| [Capitation/Risk](crcr.md) | CRCR | 0 |")));

    const QString area = readText(out + QStringLiteral("/acct.md"));
    QVERIFY(!area.contains(QStringLiteral("<script")));
    QVERIFY(!area.contains(QStringLiteral("<img")));
    QVERIFY(area.contains(
        QStringLiteral("&lt;img src=x onerror=\"document.title='pwned'\"&gt; a\\|b \\*bold\\* \\[x\\](y)")));
    QVERIFY(area.contains(QStringLiteral("\n## ../ETC/PASSWD\n")));
    // Every row of a column table has its nine cells: no text adds or hides a cell.
    const QStringList lines = area.split(QLatin1Char('\n'));
    int columnRows = 0;
    for (const QString& line : lines) {
        if (!line.startsWith(QStringLiteral("| AM_")))
            continue;
        ++columnRows;
        const int pipes = line.count(QLatin1Char('|')) - line.count(QStringLiteral("\\|"));
        QCOMPARE(pipes, 10);
    }
    QCOMPARE(columnRows, 4);
    QVERIFY(area.contains(QStringLiteral(
        "| AM_ID | char(12) | Yes | No | Logical description | Data definition | N/A | N/A | 1-One<br>2- |")));
}

void ExportTest::csvFiles()
{
    const QString out = folder.filePath(QStringLiteral("csv"));
    QCOMPARE(exportTo({dictionary, out, QStringLiteral("--format"), QStringLiteral("csv")}).exitCode, 0);
    const QList<QStringList> tables = parseCsv(readText(out + QStringLiteral("/tables.csv")));
    QCOMPARE(tables.first(), (QStringList{"Functional Area", "Table", "Logical Description", "Data Definition"}));
    QVERIFY(tables.contains(QStringList{"acct", "ACCT_MAIN", "Accounts & \"more\"", hostileDescription}));
    QVERIFY(tables.contains(QStringList{"acct", "MÜLLER_TABELLE", "Müllers Tabelle", ""}));
    QVERIFY(tables.contains(QStringList{"clcl", "ACCT_MAIN", "", ""}));
    QCOMPARE(tables.size(), 1 + 6 + 1);

    const QList<QStringList> columns = parseCsv(readText(out + QStringLiteral("/columns.csv")));
    QCOMPARE(columns.first().size(), 11);
    QVERIFY(columns.contains(QStringList{"acct", "ACCT_MAIN", "2", "AM_NOTE", "varchar", "No", "Yes", "",
                                         hostileDefinition, "Label", "TextBox"}));
    QVERIFY(columns.contains(QStringList{"acct", "ACCT_MAIN", "1", "AM_ID", "char(12)", "Yes", "No",
                                         "Logical description", "Data definition", "N/A", "N/A"}));
    for (const QStringList& record : columns)
        QCOMPARE(record.size(), 11);

    const QList<QStringList> values = parseCsv(readText(out + QStringLiteral("/values.csv")));
    QCOMPARE(values, (QList<QStringList>{{"Functional Area", "Table", "Column", "Value", "Description"},
                                         {"acct", "ACCT_MAIN", "AM_ID", "1", "One"},
                                         {"acct", "ACCT_MAIN", "AM_ID", "2", ""},
                                         {"acct", "ACCT_MAIN", "AM_DUP", "<b>", "a, \"tag\""},
                                         {"clcl", "ACCT_MAIN", "AM_ID", "9", "Claims only"}}));
}

void ExportTest::oneAreaOnly()
{
    const QString out = folder.filePath(QStringLiteral("claims"));
    QCOMPARE(exportTo({dictionary, out, QStringLiteral("--area"), QStringLiteral("CLCL")}).exitCode, 0);
    QCOMPARE(readText(out + QStringLiteral("/index.html")).count(QStringLiteral("<li><a href=")), 1);
    QVERIFY(QFile::exists(out + QStringLiteral("/clcl/acct_main.html")));
    QVERIFY(!QFile::exists(out + QStringLiteral("/acct.html")));
}

void ExportTest::commandLine()
{
    const Run help = exportTo({QStringLiteral("--help")});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.startsWith("Usage: volmira-export DICTIONARY.mdb OUTDIR"));
    const Run version = exportTo({QStringLiteral("--version")});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(QRegularExpression(QStringLiteral("^volmira-export \\d+\\.\\d+\\.\\d+\\n$"))
                .match(QString::fromUtf8(version.out))
                .hasMatch());
    const QString out = folder.filePath(QStringLiteral("never"));
    for (const QStringList& wrong : {QStringList{}, QStringList{dictionary},
                                     QStringList{dictionary, out, QStringLiteral("--format"), QStringLiteral("pdf")},
                                     QStringList{dictionary, out, QStringLiteral("--area"), QStringLiteral("xxxx")},
                                     QStringList{dictionary, out, QStringLiteral("--bogus")}}) {
        const Run usage = exportTo(wrong);
        QCOMPARE(usage.exitCode, 2);
        QVERIFY(usage.err.contains("Usage: volmira-export"));
    }
    QVERIFY(!QFile::exists(out));
}

void ExportTest::errorsLeaveNoOutput()
{
    QTemporaryDir scratch;
    DictionaryBuilder withoutValues;
    withoutValues.column({"acct", "T", "C"});
    withoutValues.release(1);
    withoutValues.without(QStringLiteral("Values"));
    const QString empty = writeFile(scratch.filePath(QStringLiteral("empty.mdb")), {});
    const struct {
        QString file;
        QString error;
    } failing[] = {
        {scratch.filePath(QStringLiteral("missing.mdb")), QStringLiteral("volmira-export: Error 3024: ")},
        {empty, QStringLiteral("volmira-export: Error 3343: ")},
        // Fails when the first table's values are read: the site was half written by then.
        {withoutValues.write(scratch.filePath(QStringLiteral("novalues.mdb"))),
         QStringLiteral("volmira-export: Error 3078: ")},
    };
    const QString out = scratch.filePath(QStringLiteral("out"));
    for (const auto& f : failing) {
        const Run failed = exportTo({f.file, out});
        QCOMPARE(failed.exitCode, 1);
        QVERIFY2(failed.err.startsWith(f.error.toUtf8()), failed.err.constData());
        QCOMPARE(QDir(scratch.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
}

void ExportTest::aLaterExportReplacesTheEarlier()
{
    QTemporaryDir scratch;
    const QString out = scratch.filePath(QStringLiteral("site"));
    QCOMPARE(exportTo({dictionary, out, QStringLiteral("--format"), QStringLiteral("csv")}).exitCode, 0);
    QCOMPARE(exportTo({dictionary, out}).exitCode, 0);
    QVERIFY(QFile::exists(out + QStringLiteral("/index.html")));
    QVERIFY(!QFile::exists(out + QStringLiteral("/tables.csv")));
    QCOMPARE(QDir(scratch.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("site")});

    // A folder of someone else's files is left alone.
    const QString foreign = scratch.filePath(QStringLiteral("foreign"));
    QVERIFY(QDir().mkpath(foreign));
    writeFile(foreign + QStringLiteral("/keep.txt"), {});
    const Run refused = exportTo({dictionary, foreign});
    QCOMPARE(refused.exitCode, 1);
    QVERIFY(refused.err.startsWith("volmira-export: Error 30008: "));
    QCOMPARE(QDir(foreign).entryList(QDir::Files), QStringList{QStringLiteral("keep.txt")});
}

QTEST_GUILESS_MAIN(ExportTest)
#include "tst_export.moc"
