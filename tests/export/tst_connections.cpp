// How the exported dictionary connects its tables: references inferred from names (one target, two
// candidates, a type that differs, none), the diagrams in the site, DOT and Mermaid, and the health
// report's rules, each with a place of its own in one dictionary.

#include "common/dictionarybuilder.h"
#include "common/testsupport.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {

Run exportTo(const QStringList& arguments) { return run(program(QStringLiteral("volmira-export")), arguments); }

QString readText(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("<missing %1>").arg(path);
    return QString::fromUtf8(file.readAll());
}

const char* const hostileTable = "<b>\"X'&amp;\\N</b>";

}  // namespace

class ConnectionsTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void referencesAndTheirReasons();
    void diagramsInTheBrowser();
    void dotAndMermaid();
    void healthReportRulesInOrder();
    void failOnDecidesTheExitStatus();
    void twoExportsAreTheSameBytes();

private:
    QTemporaryDir folder;
    QString dictionary;
};

void ConnectionsTest::initTestCase()
{
    QVERIFY(folder.isValid());
    DictionaryBuilder b;
    // Targets: a table keyed by CUST_ID, two keyed by GRP_ID, one keyed by PROD_ID as text, and one
    // whose name is hostile; a key of two columns is no target.
    b.column({"clcl", "CUSTOMER", "CUST_ID"}).dataType("char", "10").primaryKey();
    b.column({"clcl", "CUSTOMER", "CUST_NAME"}).descriptions("Name", "Cust name");
    b.column({"clcl", "GROUP_A", "GRP_ID"}).dataType("int", nullptr).primaryKey();
    b.column({"clcl", "GROUP_B", "GRP_ID"}).dataType("int", nullptr).primaryKey();
    b.column({"clcl", "PRODUCT", "PROD_ID"}).dataType("char", "8").primaryKey();
    b.column({"clcl", hostileTable, "HOSTILE_ID"}).dataType("int", nullptr).primaryKey();
    b.column({"clcl", "PAIR", "CUST_ID"}).dataType("char", "10").primaryKey();
    b.column({"clcl", "PAIR", "PAIR_NO"}).dataType("int", nullptr).primaryKey();
    // The referring table, filed under another area too.
    b.column({"bill", "ORDERS", "ORD_ID"}).dataType("int", nullptr).primaryKey();
    b.column({"bill", "ORDERS", "CUST_ID"}).dataType("varchar", "10").foreignKey();
    b.column({"bill", "ORDERS", "GRP_ID"}).dataType("int", nullptr).foreignKey();
    b.column({"bill", "ORDERS", "PROD_ID"}).dataType("int", nullptr).foreignKey();
    b.column({"bill", "ORDERS", "HOSTILE_ID"}).dataType("smallint", nullptr).foreignKey();
    b.column({"bill", "ORDERS", "NOWHERE_ID"}).dataType("int", nullptr).foreignKey();
    b.column({"bill", "ORDERS", "STATUS"})
        .dataType("char", "1")
        .descriptions("Order status", "TBD")
        .gui("Status", "ComboBox");
    b.column({"bill", "ORDERS", "NOTE"}).descriptions(nullptr, nullptr);
    b.column({"clcl", "ORDERS", "ORD_ID"}).dataType("int", nullptr).primaryKey();
    b.column({"clcl", "LINES", "STATUS"}).dataType("int", nullptr).descriptions("Line status", "Status of a line");
    for (const char* table : {"CUSTOMER", "GROUP_A", "GROUP_B", "PRODUCT", hostileTable, "PAIR", "ORDERS"})
        b.tableDescription("clcl", table, "Logical", "Definition");
    b.tableDescription("bill", "ORDERS", "Customer orders", "Orders of a customer");
    b.column({"util", "CLEAN", "CLEAN_KEY"}).dataType("int", nullptr).primaryKey();
    b.tableDescription("util", "CLEAN", "Clean table", "A table without findings");
    b.validValue("bill", "ORDERS", "GHOST", "1", "A column that does not exist");
    b.release(1);
    dictionary = b.write(folder.filePath(QStringLiteral("connections.mdb")));
}

void ConnectionsTest::referencesAndTheirReasons()
{
    const QString site = folder.filePath(QStringLiteral("site"));
    QCOMPARE(exportTo({dictionary, site}).exitCode, 0);
    const QString orders = readText(site + QStringLiteral("/bill/orders.html"));
    // One target, linked, with its reason; a text type joins a text type of another length.
    QVERIFY(
        orders.contains(QStringLiteral("<tr class=\"inferred\"><td>CUST_ID</td><td><a href=\"../clcl/customer.html\">"
                                       "CUSTOMER</a> <span class=\"inferred-mark\">inferred</span></td><td>same "
                                       "name as the primary key of CUSTOMER</td></tr>")));
    // Two candidates, a type that differs, none: reported, not guessed.
    QVERIFY(orders.contains(QStringLiteral("<td>ambiguous: GRP_ID is the whole primary key of GROUP_A, GROUP_B</td>")));
    QVERIFY(orders.contains(QStringLiteral("same name as the primary key of PRODUCT, but char(8) there and int here")));
    QVERIFY(orders.contains(QStringLiteral("no other table has NOWHERE_ID as its whole primary key")));
    QCOMPARE(orders.count(QStringLiteral("<tr class=\"unresolved\">")), 3);
    // Whole numbers of two sizes join; the hostile name is text.
    QVERIFY(
        orders.contains(QStringLiteral("same name as the primary key of &lt;b&gt;&quot;X&#39;&amp;amp;\\N&lt;/b&gt;")));

    const QString customer = readText(site + QStringLiteral("/clcl/customer.html"));
    QVERIFY(customer.contains(QStringLiteral("<h2>Referred To By</h2>")));
    QVERIFY(customer.contains(QStringLiteral("<a href=\"../clcl/orders.html\">ORDERS</a> <span class=\"inferred-mark\">"
                                             "inferred</span></td><td>CUST_ID</td>")));
    // CUST_ID is held by three tables; its row leads to the name's anchor, which lists them by area.
    QVERIFY(
        customer.contains(QStringLiteral("<a class=\"also\" href=\"../columns/c.html#cust_id\">also in 2 tables</a>")));
    const QString names = readText(site + QStringLiteral("/columns/c.html"));
    const int anchor = names.indexOf(QStringLiteral("id=\"cust_id\""));
    QVERIFY(anchor > 0);
    const QString entry = names.mid(anchor, names.indexOf(QStringLiteral("</section>"), anchor) - anchor);
    QVERIFY(entry.contains(QStringLiteral("<dt>Billing</dt><dd><a href=\"../bill/orders.html\">ORDERS</a> "
                                          "<span class=\"type-differs\">(varchar(10))</span></dd>")));
    QVERIFY2(entry.contains(QStringLiteral("<dt>Claims</dt><dd><a href=\"../clcl/customer.html\">CUSTOMER</a>, "
                                           "<a href=\"../clcl/orders.html\">ORDERS</a> <span class=\"type-differs\">"
                                           "(varchar(10))</span>, <a href=\"../clcl/pair.html\">PAIR</a></dd>")),
             qPrintable(entry));
}

void ConnectionsTest::diagramsInTheBrowser()
{
    const QString browser = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (!VOLMIRA_DIAGRAMS)
        QSKIP("this build draws no diagrams (VOLMIRA_DIAGRAMS off)");
    VOLMIRA_NEEDS_CHROMIUM(browser);
    const QString site = folder.filePath(QStringLiteral("browsed"));
    QCOMPARE(exportTo({dictionary, site}).exitCode, 0);
    const auto dumpDom = [&browser](const QString& path) {
        QTemporaryDir profile;
        const Run dumped =
            run(browser, {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                          QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--dump-dom"),
                          QUrl::fromLocalFile(path).toString()});
        return QString::fromUtf8(dumped.out);
    };
    // The area's diagram and a table's: each drawn, each name a link to a page that exists.
    for (const char* page : {"bill-diagram.html", "bill/orders.html"}) {
        const QString dom = dumpDom(site + QLatin1Char('/') + QLatin1String(page));
        QVERIFY2(dom.contains(QStringLiteral("<svg width=")), page);
        QVERIFY(dom.contains(QStringLiteral("stroke-dasharray")));
        QVERIFY(!dom.contains(QStringLiteral("<b>\"X")));
        const QString folderOfPage = QFileInfo(site + QLatin1Char('/') + QLatin1String(page)).absolutePath();
        QStringList targets;
        QRegularExpressionMatchIterator links =
            QRegularExpression(QStringLiteral("xlink:href=\"([^\"]+)\"")).globalMatch(dom);
        while (links.hasNext()) {
            const QString target = links.next().captured(1);
            targets << target;
            QVERIFY2(QFile::exists(folderOfPage + QLatin1Char('/') + target), qPrintable(target));
        }
        QVERIFY2(targets.contains(QStringLiteral("../clcl/customer.html"))
                     || targets.contains(QStringLiteral("clcl/customer.html")),
                 qPrintable(targets.join(QLatin1Char(' '))));
    }
    const QString hostile = dumpDom(site + QStringLiteral("/bill/orders.html"));
    QVERIFY(hostile.contains(QStringLiteral("&lt;b&gt;\"X'&amp;amp;\\N&lt;/b&gt;</text>")));
    const QString report = dumpDom(site + QStringLiteral("/health.html"));
    QVERIFY(report.contains(QStringLiteral("<code>placeholder-description</code>")));
}

void ConnectionsTest::dotAndMermaid()
{
    const QString dot = folder.filePath(QStringLiteral("dot"));
    QCOMPARE(exportTo({dictionary, dot, QStringLiteral("--format"), QStringLiteral("dot")}).exitCode, 0);
    const QString table = readText(dot + QStringLiteral("/bill/orders.dot"));
    QVERIFY(table.startsWith(QStringLiteral("digraph tables {")));
    QVERIFY(table.contains(QStringLiteral("n0 [label=<<b>ORDERS</b>>, fillcolor=")));
    QVERIFY(table.contains(
        QStringLiteral("[label=<&lt;b&gt;&quot;X&#39;&amp;amp;\\\\N&lt;/b&gt;>, style=\"rounded,dashed\"")));
    QVERIFY(table.contains(QStringLiteral("n0 -> n1 [label=<CUST_ID>];")));
    QVERIFY(!table.contains(QStringLiteral("GROUP_A")));  // an ambiguous reference draws no edge
    QVERIFY(QFile::exists(dot + QStringLiteral("/clcl.dot")));

    const QString mermaid = folder.filePath(QStringLiteral("mermaid"));
    QCOMPARE(exportTo({dictionary, mermaid, QStringLiteral("--format"), QStringLiteral("mermaid")}).exitCode, 0);
    const QString flow = readText(mermaid + QStringLiteral("/bill/orders.md"));
    QVERIFY(flow.startsWith(QStringLiteral("```mermaid\nflowchart LR\n  n0[\"ORDERS\"]\n")));
    QVERIFY(flow.contains(QStringLiteral("[\"#60;b#62;#34;X'#38;amp#59;#92;N#60;/b#62;\"]")));
    QVERIFY(flow.contains(QStringLiteral("n0 -.->|\"CUST_ID\"| n1")));
}

void ConnectionsTest::healthReportRulesInOrder()
{
    const Run lint = exportTo({dictionary, QStringLiteral("--format"), QStringLiteral("lint")});
    QCOMPARE(lint.exitCode, 0);
    QStringList places;
    for (const QString& line : QString::fromUtf8(lint.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!line.startsWith(QStringLiteral("coverage")))
            places << line.section(QStringLiteral(": "), 0, 1);
    }
    const QStringList expected{
        QStringLiteral("bill ORDERS.GRP_ID: foreign-key-without-target"),
        "bill ORDERS.PROD_ID: foreign-key-without-target",
        "bill ORDERS.NOWHERE_ID: foreign-key-without-target",
        "bill ORDERS.STATUS: placeholder-description",
        "bill ORDERS.STATUS: coded-column-without-values",
        "bill ORDERS.NOTE: column-without-description",
        "bill ORDERS.GHOST: values-for-missing-column",
        "clcl CUSTOMER.CUST_NAME: description-repeats-name",
        "clcl LINES: table-without-description",
        "column CUST_ID: column-with-several-types",
        "column HOSTILE_ID: column-with-several-types",
        "column PROD_ID: column-with-several-types",
        "column STATUS: column-with-several-types",
        "column STATUS: column-with-several-definitions",
    };
    QVERIFY2(places == expected, qPrintable(places.join(QLatin1Char('\n'))));
    QVERIFY(lint.out.contains("coverage bill: tables described 100.0% (1 of 1), columns described 87.5% (7 of 8), "
                              "coded columns with values 0.0% (0 of 1), foreign keys with a target 40.0% (2 of 5)\n"));
    QVERIFY(lint.out.contains("coverage util: tables described 100.0% (1 of 1)"));
}

void ConnectionsTest::failOnDecidesTheExitStatus()
{
    const QString lint = QStringLiteral("lint");
    QCOMPARE(exportTo({dictionary, "--format", lint, "--fail-on", "placeholder-description"}).exitCode, 1);
    QCOMPARE(exportTo({dictionary, "--format", lint, "--fail-on", "all", "--area", "util"}).exitCode, 0);
    QCOMPARE(
        exportTo({dictionary, "--format", lint, "--fail-on", "table-without-description", "--area", "bill"}).exitCode,
        0);
    const Run unknown = exportTo({dictionary, "--format", lint, "--fail-on", "no-such-rule"});
    QCOMPARE(unknown.exitCode, 2);
    QVERIFY(unknown.err.contains("unknown rule \"no-such-rule\""));
    QCOMPARE(exportTo({dictionary, folder.filePath("x"), "--format", lint}).exitCode, 2);
}

void ConnectionsTest::twoExportsAreTheSameBytes()
{
    for (const char* format : {"html", "dot"}) {
        const QString first = folder.filePath(QStringLiteral("first-") + QLatin1String(format));
        const QString second = folder.filePath(QStringLiteral("second-") + QLatin1String(format));
        QCOMPARE(exportTo({dictionary, first, "--format", format}).exitCode, 0);
        QCOMPARE(exportTo({dictionary, second, "--format", format}).exitCode, 0);
        QDirIterator files(first, QDir::Files, QDirIterator::Subdirectories);
        int count = 0;
        while (files.hasNext()) {
            const QString path = files.next();
            QFile a(path);
            QFile b(second + path.mid(first.size()));
            QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
            QVERIFY2(a.readAll() == b.readAll(), qPrintable(path));
            ++count;
        }
        QVERIFY(count > 20);
    }
}

QTEST_GUILESS_MAIN(ConnectionsTest)
#include "tst_connections.moc"
