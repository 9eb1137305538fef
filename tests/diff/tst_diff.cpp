// volmira-diff on pairs of dictionaries that differ by one kind of change each, read through its JSON;
// the text and the web page for what a reader needs; hostile texts in every format; exit statuses.

#include "cli/diff/worddiff.h"
#include "common/dictionarybuilder.h"
#include "common/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <functional>
#include <vector>

namespace {

const QString hostileValue = QStringLiteral("<i>|,\"v\"");
const QString hostile = QStringLiteral("<script>document.title='pwned'</script>| a,\"b\"\r\n*c* \x1b[31m");

// The rows of one release, edited by each case before they are written.
struct Release final {
    std::vector<DictionaryBuilder::MainRow> columns;
    struct Description {
        QString area, table, logicalName, description;
    };
    std::vector<Description> descriptions;
    struct Value {
        QString area, table, column, value, description;
    };
    std::vector<Value> values;
    int version = 451;

    DictionaryBuilder::MainRow& column(const QString& name)
    {
        for (auto& row : columns) {
            if (row.column.toText() == name)
                return row;
        }
        qFatal("no column %s", qPrintable(name));
    }
    void remove(const QString& name)
    {
        columns.erase(
            std::find_if(columns.begin(), columns.end(), [&](const auto& row) { return row.column.toText() == name; }));
    }
};

DictionaryBuilder::MainRow row(const QString& area, const QString& table, const QString& column, int seqNo)
{
    DictionaryBuilder::MainRow r;
    r.area = area;
    r.table = table;
    r.column = column;
    r.seqNo = seqNo;
    r.descriptions(column + QStringLiteral(" logical"),
                   QStringLiteral("The ") + column + QStringLiteral(" of the account."));
    return r;
}

Release baseRelease()
{
    Release r;
    r.columns.push_back(row("acct", "ACCT_A", "A_ID", 1).primaryKey());
    r.columns.push_back(row("acct", "ACCT_A", "A_NAME", 2).dataType("varchar", "50"));
    r.columns.push_back(row("acct", "ACCT_A", "A_STS", 3).dataType("char", "2"));
    r.columns.push_back(row("acct", "ACCT_A", "A_NOTE", 4));
    r.columns.push_back(row("acct", "ACCT_B", "B_ID", 1));
    r.descriptions.push_back({"acct", "ACCT_A", "Accounts", "Every account of the ledger, one row each."});
    r.descriptions.push_back({"acct", "ACCT_B", "Balances", "Balances."});
    r.values.push_back({"acct", "ACCT_A", "A_STS", "AC", "Active"});
    r.values.push_back({"acct", "ACCT_A", "A_STS", "IN", "Inactive"});
    return r;
}

QString write(const Release& release, const QString& path)
{
    DictionaryBuilder builder;
    for (const auto& r : release.columns)
        builder.column({r.area, r.table, r.column}) = r;
    for (const auto& d : release.descriptions)
        builder.tableDescription(d.area, d.table, d.logicalName, d.description);
    for (const auto& v : release.values)
        builder.validValue(v.area, v.table, v.column, v.value, v.description);
    builder.release(440).release(release.version);
    return builder.write(path);
}

Run diff(const QStringList& arguments) { return run(program(QStringLiteral("volmira-diff")), arguments); }

}  // namespace

class DiffTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void eachKindOfChange_data();
    void eachKindOfChange();
    void renameIsASuggestionBesideRemovalAndAddition();
    void nothingChangedAndStableBytes();
    void textForReaders();
    void wordsMarkedRebuildBothTexts();
    void hostileTextsStayText();
    void pageInTheBrowser();
    void troubleLeavesNoOutput();
    void exportMarksTheChanges();

private:
    QString pair(const std::function<void(Release&)>& edit);
    QJsonObject json(const QString& oldFile, const QString& newFile, int expectedExit = 1);

    QTemporaryDir folder;
    QString base;
    int made = 0;
};

void DiffTest::initTestCase()
{
    QVERIFY(folder.isValid());
    base = write(baseRelease(), folder.filePath(QStringLiteral("base.mdb")));
}

QString DiffTest::pair(const std::function<void(Release&)>& edit)
{
    Release release = baseRelease();
    edit(release);
    return write(release, folder.filePath(QStringLiteral("changed-%1.mdb").arg(++made)));
}

QJsonObject DiffTest::json(const QString& oldFile, const QString& newFile, int expectedExit)
{
    const Run result = diff({oldFile, newFile, QStringLiteral("--format"), QStringLiteral("json")});
    if (result.exitCode != expectedExit)
        qWarning("exit %d: %s", result.exitCode, result.err.constData());
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(result.out, &error);
    if (error.error != QJsonParseError::NoError || result.exitCode != expectedExit)
        return {};
    return document.object();
}

using Edit = std::function<void(Release&)>;
Q_DECLARE_METATYPE(Edit)

void DiffTest::eachKindOfChange_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("expected");  // the one change: kind area table column attribute value old new

    QTest::newRow("table added") << Edit([](Release& r) {
        r.columns.push_back(row("acct", "ACCT_C", "C_ID", 1));
        r.descriptions.push_back({"acct", "ACCT_C", "Credits", "Credits."});
    }) << "table-added acct ACCT_C - logical name - - Credits";
    QTest::newRow("table removed") << Edit([](Release& r) { r.remove(QStringLiteral("B_ID")); })
                                   << "table-removed acct ACCT_B - logical name - Balances -";
    QTest::newRow("table moved") << Edit([](Release& r) {
        r.column(QStringLiteral("B_ID")).area = "clcl";
        r.descriptions[1].area = "clcl";
    }) << "table-moved clcl ACCT_B - - - - -";
    QTest::newRow("logical name") << Edit([](Release& r) { r.descriptions[0].logicalName = "Ledger Accounts"; })
                                  << "table-changed acct ACCT_A - logical name - Accounts Ledger Accounts";
    QTest::newRow("column added") << Edit([](Release& r) { r.columns.push_back(row("acct", "ACCT_A", "A_DT", 5)); })
                                  << "column-added acct ACCT_A A_DT data type - - char(10)";
    QTest::newRow("column removed") << Edit([](Release& r) { r.remove(QStringLiteral("A_NOTE")); })
                                    << "column-removed acct ACCT_A A_NOTE data type - char(10) -";
    QTest::newRow("reordered") << Edit([](Release& r) { r.column(QStringLiteral("A_ID")).seqNo = 9; })
                               << "column-reordered acct ACCT_A A_ID position - 1 9";
    QTest::newRow("data type") << Edit([](Release& r) { r.column(QStringLiteral("A_NAME")).dataAttributes = "70"; })
                               << "column-changed acct ACCT_A A_NAME data type - varchar(50) varchar(70)";
    QTest::newRow("primary key") << Edit([](Release& r) { r.column(QStringLiteral("A_ID")).primary = false; })
                                 << "column-changed acct ACCT_A A_ID primary key - Yes No";
    QTest::newRow("foreign key") << Edit([](Release& r) { r.column(QStringLiteral("A_STS")).foreign = true; })
                                 << "column-changed acct ACCT_A A_STS foreign key - No Yes";
    QTest::newRow("logical description") << Edit([](Release& r) {
        r.column(QStringLiteral("A_ID")).logicalDesc = "Account number";
    }) << "column-changed acct ACCT_A A_ID logical description - A_ID logical Account number";
    QTest::newRow("data definition") << Edit([](Release& r) {
        r.column(QStringLiteral("A_ID")).definition = "The A_ID of the ledger.";
    }) << "column-changed acct ACCT_A A_ID data definition - The A_ID of the account. The A_ID of the ledger.";
    QTest::newRow("screen label") << Edit([](Release& r) { r.column(QStringLiteral("A_ID")).guiName = nullptr; })
                                  << "column-changed acct ACCT_A A_ID screen label - Label N/A";
    QTest::newRow("screen control") << Edit([](Release& r) {
        r.column(QStringLiteral("A_ID")).guiControl = "ComboBox";
    }) << "column-changed acct ACCT_A A_ID screen control - TextBox ComboBox";
    QTest::newRow("value added") << Edit([](Release& r) {
        r.values.push_back({"acct", "ACCT_A", "A_STS", "PD", "Pending"});
    }) << "value-added acct ACCT_A A_STS value description PD - Pending";
    QTest::newRow("value removed") << Edit([](Release& r) { r.values.pop_back(); })
                                   << "value-removed acct ACCT_A A_STS value description IN Inactive -";
    QTest::newRow("value description") << Edit([](Release& r) { r.values[0].description = "Active account"; })
                                       << "value-changed acct ACCT_A A_STS value description AC Active Active account";
    // The window compares names ignoring letter case: so does the comparison.
    QTest::newRow("case of a name only") << Edit([](Release& r) {
        r.values[0].column = "a_sts";
        r.values.push_back({"acct", "ACCT_A", "A_STS", "PD", "Pending"});
    }) << "value-added acct ACCT_A A_STS value description PD - Pending";
}

void DiffTest::eachKindOfChange()
{
    QFETCH(Edit, edit);
    QFETCH(QString, expected);
    const QJsonObject report = json(base, pair(edit));
    const QJsonArray changes = report.value(QStringLiteral("changes")).toArray();
    QCOMPARE(changes.size(), 1);
    const QJsonObject c = changes.at(0).toObject();
    const auto field = [&c](const char* name) {
        const QString text = c.value(QLatin1String(name)).toString();
        return text.isEmpty() ? QStringLiteral("-") : text;
    };
    const QString kind = field("kind");
    QString found = kind + ' ' + field("area") + ' ' + field("table") + ' ' + field("column") + ' ' + field("attribute")
                    + ' ' + field("value") + ' ' + field("old") + ' ' + field("new");
    QCOMPARE(found, expected);
    QCOMPARE(report.value(QStringLiteral("summary")).toObject().value(QStringLiteral("changes")).toInt(), 1);
    QCOMPARE(report.value(QStringLiteral("summary"))
                 .toObject()
                 .value(QStringLiteral("byKind"))
                 .toObject()
                 .value(kind)
                 .toInt(),
             1);
    if (kind == QLatin1String("table-moved"))
        QCOMPARE(c.value(QStringLiteral("oldArea")).toString(), QStringLiteral("acct"));
}

void DiffTest::renameIsASuggestionBesideRemovalAndAddition()
{
    const QString renamed = pair([](Release& r) {
        r.column(QStringLiteral("A_NOTE")).column = "A_REMARK";
        r.version = 452;
    });
    const QJsonObject report = json(base, renamed);
    QCOMPARE(report.value(QStringLiteral("old")).toObject().value(QStringLiteral("version")).toString(),
             QStringLiteral("451"));
    QCOMPARE(report.value(QStringLiteral("new")).toObject().value(QStringLiteral("version")).toString(),
             QStringLiteral("452"));
    QStringList kinds;
    for (const QJsonValue& c : report.value(QStringLiteral("changes")).toArray())
        kinds << c.toObject().value(QStringLiteral("kind")).toString() + ':'
                     + c.toObject().value(QStringLiteral("column")).toString() + ':'
                     + c.toObject().value(QStringLiteral("new")).toString();
    QCOMPARE(kinds, QStringList({"column-removed:A_NOTE:", "column-added:A_REMARK:char(10)",
                                 "possible-rename:A_NOTE:A_REMARK"}));
    QCOMPARE(report.value(QStringLiteral("summary")).toObject().value(QStringLiteral("changes")).toInt(), 2);
}

void DiffTest::nothingChangedAndStableBytes()
{
    const Run same = diff({base, base});
    QCOMPARE(same.exitCode, 0);
    QVERIFY(same.out.contains("No changes"));
    QCOMPARE(json(base, base, 0).value(QStringLiteral("changes")).toArray().size(), 0);
    // What the window does not show is no change: a row that repeats another but for letter case, a
    // second description row that sorts after the first, an area without a button, a column without a name.
    const QString unseen = pair([](Release& r) {
        r.columns.push_back(r.column(QStringLiteral("A_NAME")));
        r.columns.back().logicalDesc = "A_NAME LOGICAL";
        r.columns.push_back(row("zzzz", "ACCT_Z", "Z_ID", 1));
        r.columns.push_back(row("acct", "ACCT_A", QString(), 7));
        r.columns.back().column = nullptr;
        r.descriptions.push_back({"acct", "ACCT_A", "Later", "Later, shown never."});
    });
    QCOMPARE(diff({base, unseen}).exitCode, 0);

    const QString changed = pair([](Release& r) {
        r.descriptions[0].description = "Every account of the general ledger, one row for each.";
        r.columns.push_back(row("clcl", "CLCL_X", "X_ID", 1));
        r.remove(QStringLiteral("B_ID"));
        r.values.pop_back();
    });
    for (const char* format : {"text", "markdown", "html", "json", "csv"}) {
        const QStringList arguments{base, changed, QStringLiteral("--format"), QLatin1String(format)};
        const Run first = diff(arguments);
        QCOMPARE(first.exitCode, 1);
        QCOMPARE(diff(arguments).out, first.out);
    }
}

void DiffTest::textForReaders()
{
    const QString changed = pair([](Release& r) {
        r.descriptions[0].description = "Every account of the general ledger, one row for each.";
        r.columns.push_back(row("clcl", "CLCL_X", "X_ID", 1));
        r.column(QStringLiteral("A_NAME")).dataAttributes = "70";
        r.version = 452;
    });
    const Run result = diff({base, changed});
    QCOMPARE(result.exitCode, 1);
    const QString text = QString::fromUtf8(result.out);
    // The versions first, then the summary, then the details under their area and table.
    QVERIFY(text.startsWith(QStringLiteral("Changes: base.mdb (version 451) -> changed-")));
    QVERIFY(text.contains(QStringLiteral("(version 452)")));
    const qsizetype summary = text.indexOf(QStringLiteral("Summary: 3 changes"));
    const qsizetype accounting = text.indexOf(QStringLiteral("\nAccounting (ACCT)\n"));
    QVERIFY(summary > 0 && accounting > summary);
    QVERIFY(text.contains(QStringLiteral("  Claims (CLCL)                           1\n")));
    QVERIFY2(
        text.contains(QStringLiteral("  Table ACCT_A\n    description: Every account of the {+general +}ledger, one "
                                     "row{+ for+} each.\n    column A_NAME: data type: varchar(50) -> varchar(70)\n")),
        qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("\nClaims (CLCL)\n  Table CLCL_X\n    table added, 1 column\n")));
}

void DiffTest::wordsMarkedRebuildBothTexts()
{
    using volmira::diff::WordSpan;
    const auto rebuilt = [](const std::vector<WordSpan>& spans, WordSpan::Kind left) {
        QString text;
        for (const WordSpan& span : spans)
            text += span.kind == left ? QString() : span.text;
        return text;
    };
    // Few distinct words, so that the texts share many in many orders.
    QRandomGenerator random(20261209);
    const auto text = [&random](int words) {
        static const QStringList vocabulary{"a", "b", "c", "ledger", "  ", "\t", "row"};
        QString out;
        for (int i = 0; i < words; ++i)
            out += vocabulary[int(random.bounded(vocabulary.size()))] + (random.bounded(3) ? " " : "");
        return out;
    };
    for (int round = 0; round < 300; ++round) {
        const QString before = text(int(random.bounded(40)));
        const QString after = text(int(random.bounded(40)));
        const std::vector<WordSpan> spans = volmira::diff::compareWords(before, after);
        QCOMPARE(rebuilt(spans, WordSpan::Kind::Added), before);
        QCOMPARE(rebuilt(spans, WordSpan::Kind::Removed), after);
    }
    // A long text with words added at both ends marks just those words.
    const QString middle = text(3000);
    const std::vector<WordSpan> spans =
        volmira::diff::compareWords(middle, QStringLiteral("Revised: ") + middle + QStringLiteral(" Kept."));
    QCOMPARE(int(spans.size()), 3);
    QCOMPARE(spans[0].text, QStringLiteral("Revised: "));
    QCOMPARE(spans[1].text, middle);
}

void DiffTest::hostileTextsStayText()
{
    const QString changed = pair([](Release& r) {
        r.descriptions[0].logicalName = hostile;
        r.values.push_back({"acct", "ACCT_A", "A_STS", hostileValue, hostile});
    });
    const QStringList pairArguments{base, changed, QStringLiteral("--format")};
    const QByteArray text = diff(pairArguments + QStringList{QStringLiteral("text")}).out;
    QVERIFY(!text.contains('\x1b') && !text.contains('\r'));
    QVERIFY(text.contains("a,\"b\"\\r\\n*c* \\x1b[31m"));
    const QByteArray html = diff(pairArguments + QStringList{QStringLiteral("html")}).out;
    QVERIFY(!html.contains("<script>") && html.contains("&lt;script&gt;"));
    const QByteArray markdown = diff(pairArguments + QStringList{QStringLiteral("markdown")}).out;
    QVERIFY2(!markdown.contains("<script>") && !markdown.contains('\x1b')
                 && markdown.contains("&lt;/script&gt;\\| a,\"b\"<br>\\*c\\*"),
             markdown.constData());
    QVERIFY(!markdown.contains('\n' + QByteArray("*c*")));
    const QByteArray csv = diff(pairArguments + QStringList{QStringLiteral("csv")}).out;
    QVERIFY(csv.contains("\"<script>document.title='pwned'</script>| a,\"\"b\"\"\r\n*c* \x1b[31m\""));
    const QJsonObject report = json(base, changed);
    const QJsonObject added = report.value(QStringLiteral("changes")).toArray().at(1).toObject();
    QCOMPARE(added.value(QStringLiteral("value")).toString(), hostileValue);
    QCOMPARE(added.value(QStringLiteral("new")).toString(), hostile);
}

void DiffTest::pageInTheBrowser()
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    VOLMIRA_NEEDS_CHROMIUM(chromium);
    const QString changed = pair([](Release& r) {
        r.descriptions[0].description = hostile + QStringLiteral(" rewritten");
        r.column(QStringLiteral("A_ID")).primary = false;
    });
    const QString page = folder.filePath(QStringLiteral("changes.html"));
    QCOMPARE(diff({base, changed, QStringLiteral("--format"), QStringLiteral("html"), QStringLiteral("--output"), page})
                 .exitCode,
             1);
    QTemporaryDir profile;
    const Run dumped = run(
        chromium, {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                   QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--virtual-time-budget=5000"),
                   QStringLiteral("--dump-dom"), QUrl::fromLocalFile(page).toString()});
    QCOMPARE(dumped.exitCode, 0);
    const QString dom = QString::fromUtf8(dumped.out);
    QVERIFY(dom.contains(QStringLiteral("<title>Changes: base.mdb (version 451)")));  // no script retitled it
    QVERIFY(dom.contains(QStringLiteral("<h2>Accounting (ACCT)</h2>")));
    QVERIFY(dom.contains(QStringLiteral("<h3>Table <code>ACCT_A</code></h3>")));
    QVERIFY(dom.contains(QStringLiteral("<del>Every account of the ledger, one row each.</del>")));
    QVERIFY(dom.contains(QStringLiteral("<ins>&lt;script&gt;document.title='pwned'&lt;/script&gt;")));
    QVERIFY(dom.contains(QStringLiteral("column <code>A_ID</code>: primary key: Yes → No")));
}

void DiffTest::troubleLeavesNoOutput()
{
    const QString damaged = writeFile(folder.filePath(QStringLiteral("damaged.mdb")), QByteArray(4096, 'x'));
    const QString output = folder.filePath(QStringLiteral("never.json"));
    const Run failed = diff({base, damaged, QStringLiteral("--output"), output});
    QCOMPARE(failed.exitCode, 2);
    QVERIFY2(failed.err.startsWith("volmira-diff: Error "), failed.err.constData());
    QCOMPARE(failed.out, QByteArray());
    QVERIFY(!QFile::exists(output));
    const Run wrongCall = diff({base, QStringLiteral("--format"), QStringLiteral("xml")});
    QCOMPARE(wrongCall.exitCode, 2);
    QVERIFY(wrongCall.err.startsWith("volmira-diff: "));
}

void DiffTest::exportMarksTheChanges()
{
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    VOLMIRA_NEEDS_CHROMIUM(chromium);
    const QString changed = pair([](Release& r) {
        r.column(QStringLiteral("A_NAME")).dataAttributes = "70";
        r.column(QStringLiteral("A_NAME")).definition = hostile;
        r.remove(QStringLiteral("B_ID"));
        r.columns.push_back(row("acct", "ACCT_B", "B_KEY", 1));
    });
    const QString exporter = program(QStringLiteral("volmira-export"));
    const QString site = folder.filePath(QStringLiteral("site"));
    QCOMPARE(run(exporter, {changed, site, QStringLiteral("--compare"), base}).exitCode, 0);

    QFile areaPage(site + QStringLiteral("/acct.html"));
    QVERIFY(areaPage.open(QIODevice::ReadOnly));
    const QByteArray area = areaPage.readAll();
    QCOMPARE(area.count("class=\"changed\" href=\"changes.html#t"), 2);  // both tables changed

    QTemporaryDir profile;
    const auto dom = [&](const QString& page) {
        return QString::fromUtf8(
            run(chromium,
                {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                 QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--virtual-time-budget=5000"),
                 QStringLiteral("--dump-dom"), QUrl::fromLocalFile(site).toString() + page})
                .out);
    };
    const QString changes = dom(QStringLiteral("/changes.html"));
    QVERIFY(changes.contains(QStringLiteral("<title>Changes since version 451</title>")));
    QVERIFY(changes.contains(QStringLiteral("<h3 id=\"t0\">Table <code>ACCT_A</code></h3>")));
    QVERIFY(changes.contains(QStringLiteral("data type: varchar(50) → varchar(70)")));
    QVERIFY(changes.contains(QStringLiteral("<ins>&lt;script&gt;document.title='pwned'&lt;/script&gt;")));

    const QString table = dom(QStringLiteral("/acct/acct_a.html"));
    QVERIFY(table.contains(QStringLiteral("A_NAME</a> <a class=\"changed\" href=\"../changes.html#t0\"")));
    QVERIFY(!table.contains(QStringLiteral("A_ID</a> <a class=\"changed\"")));

    // Column names with "_" in all areas: every column, or the two that changed.
    const QString all = dom(QStringLiteral("/index.html?q=_&mode=colname&area=all"));
    QVERIFY(all.contains(QStringLiteral("5 columns in 2 tables")));
    const QString changedOnly = dom(QStringLiteral("/index.html?q=_&mode=colname&area=all&changed=1"));
    QVERIFY2(changedOnly.contains(QStringLiteral("2 columns in 2 tables")), qPrintable(changedOnly));
    QVERIFY(changedOnly.contains(QStringLiteral(">A_NAME</a>")) && changedOnly.contains(QStringLiteral(">B_KEY</a>")));

    const struct {
        const char* format;
        const char* file;
        QByteArray line;
    } files[] = {{"markdown", "changes.md", "- column <code>B\\_KEY</code> added: char\\(10\\), position 1"},
                 {"csv", "changes.csv", "column-added,acct,,ACCT_B,B_KEY,data type,,,char(10),position 1\r\n"}};
    for (const auto& [format, name, line] : files) {
        const QString out = folder.filePath(QLatin1String(format));
        QCOMPARE(run(exporter, {changed, out, QStringLiteral("--compare"), base, QStringLiteral("--format"),
                                QLatin1String(format)})
                     .exitCode,
                 0);
        QFile changesFile(out + QLatin1Char('/') + QLatin1String(name));
        QVERIFY(changesFile.open(QIODevice::ReadOnly));
        const QByteArray text = changesFile.readAll();
        QVERIFY2(text.contains(line), text.constData());
    }
    QFile markdownIndex(folder.filePath(QStringLiteral("markdown/index.md")));
    QVERIFY(markdownIndex.open(QIODevice::ReadOnly));
    QVERIFY(markdownIndex.readAll().contains("[Changes since version 451](changes.md)"));
}

QTEST_GUILESS_MAIN(DiffTest)
#include "tst_diff.moc"
