#include "testkit/damage/firstscreen.h"

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace volmira::damage {

namespace {

// Every field of every row converted the way the window shows it: Null stays empty.
void readAll(Recordset& rs)
{
    while (!rs.Eof()) {
        for (int i = 0; i < rs.fieldCount(); ++i) {
            const FieldValue& value = rs.Fields(i).Value;
            if (!value.isNull())
                value.toText();
        }
        rs.MoveNext();
    }
}

void runFirstScreen(const Connection& cn)
{
    Recordset version;
    version.Open(statements::version(), cn);
    version.Fields(0).Value.toText();
    version.Close();

    const QString area = QStringLiteral("acct");
    Recordset tables;
    tables.Open(statements::areaTables(area), cn);
    if (tables.Eof())
        return;
    const QString table = tables.Fields(0).Value.toText();
    readAll(tables);

    Recordset description;
    description.Open(statements::tableDescription(area, table), cn);
    readAll(description);
    description.Close();

    Recordset columns;
    columns.Open(statements::columns(area, table), cn);
    if (columns.Eof())
        return;
    const QString column = columns.Fields(statements::ColumnsField::Column).Value.toText();
    readAll(columns);
    columns.MoveFirst();

    Recordset values;
    values.Open(statements::validValues(area, table, column), cn);
    readAll(values);
    values.Close();
}

QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\t'), QLatin1Char(' '));
}

}  // namespace

FirstScreenOutcome openFirstScreen(const QString& path)
{
    FirstScreenOutcome outcome;
    try {
        Connection cn;
        cn.setConnectionString(statements::connectionString(path));
        cn.Open(QString(), QString());
        runFirstScreen(cn);
        outcome.opened = true;
    } catch (const Error& error) {
        outcome.errorNumber = error.number();
        outcome.errorDescription = error.description();
    }
    return outcome;
}

int serveFirstScreen()
{
    std::string line;
    while (std::getline(std::cin, line)) {
        const FirstScreenOutcome outcome = openFirstScreen(QString::fromStdString(line));
        const QByteArray answer = outcome.opened
                                      ? QByteArrayLiteral("opened\n")
                                      : QByteArrayLiteral("error\t") + QByteArray::number(outcome.errorNumber) + '\t'
                                            + oneLine(outcome.errorDescription).toUtf8() + '\n';
        std::fwrite(answer.constData(), 1, std::size_t(answer.size()), stdout);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace volmira::damage
