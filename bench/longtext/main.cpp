// How long the window takes to show a column and a table whose texts are long, beside the same for
// short texts: long texts of 64 KB, 1 MB and 8 MB characters, in shapes that are
// hard to lay out (no blank at all, many short lines, CJK, combining marks).
//
//   volmira-bench-longtext [CHARACTERS ...]     default: 65536 1048576 8000000
//
// Each figure is the median of five selections made from code, as the window's own handlers make
// them, including the repaint that follows.

#include "common/dictionarybuilder.h"
#include "common/guitestsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Shape {
    const char* name;
    QString piece;
};

QString longText(const Shape& shape, int characters)
{
    QString text;
    text.reserve(characters + shape.piece.size());
    while (text.size() < characters)
        text += shape.piece;
    text.truncate(characters);
    return text;
}

// Table A_SHORT has short texts only; table B_LONG has a long description, a first column with short
// texts and a second whose definition is the long text.
QString writeDictionary(const QString& path, const QString& text)
{
    DictionaryBuilder dictionary;
    dictionary.column({"acct", "A_SHORT", "A_ID"});
    dictionary.column({"acct", "B_LONG", "B_SHORT"});
    dictionary.column({"acct", "B_LONG", "B_TEXT"}).definition = text;
    dictionary.tableDescription("acct", "A_SHORT", "Short", "A short description");
    dictionary.tableDescription("acct", "B_LONG", "Long", text);
    dictionary.validValue("acct", "B_LONG", "B_SHORT", "1", "One");
    dictionary.release(451);
    return dictionary.write(path);
}

double medianMilliseconds(const std::function<void()>& select)
{
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        QElapsedTimer clock;
        clock.start();
        select();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(QByteArray(argv[i]).toInt());
    if (sizes.empty())
        sizes = {65536, 1048576, 8000000};
    const std::vector<Shape> shapes = {{"no blanks", QStringLiteral("x")},
                                       {"many short lines", QStringLiteral("ab\r\n")},
                                       {"CJK", QStringLiteral("数据字典的定义")},
                                       {"combining marks", QStringLiteral("e\u0301\u0323")}};
    QTemporaryDir folder;
    std::printf("%-17s %10s | %21s | %21s\n", "text", "characters", "column: short / long", "table: short / long");
    for (const int size : sizes) {
        for (const Shape& shape : shapes) {
            const QString path = writeDictionary(folder.filePath(QStringLiteral("long.mdb")), longText(shape, size));
            MainWindowSession session({path});
            session.start();
            if (!session.fatalErrors.empty()) {
                std::printf("%s: error %d %s\n", shape.name, session.fatalErrors.front().number(),
                            qPrintable(session.fatalErrors.front().description()));
                return 1;
            }
            auto* tables = session.find<QListWidget>("lstTables");
            auto* columns = session.find<QListWidget>("lstColumns");
            frmMainTestAccess access = session.access();
            const auto selecting = [&](QListWidget* list, int row) {
                return [&, list, row] {
                    access.setListIndex(list, row);
                    session.window().repaint();
                };
            };
            const double tableShort = medianMilliseconds(selecting(tables, 0));
            const double tableLong = medianMilliseconds(selecting(tables, 1));
            const double columnShort = medianMilliseconds(selecting(columns, 0));
            const double columnLong = medianMilliseconds(selecting(columns, 1));
            std::printf("%-17s %10d | %9.1f / %6.1f ms | %9.1f / %6.1f ms\n", shape.name, size, columnShort, columnLong,
                        tableShort, tableLong);
            std::fflush(stdout);
        }
    }
    return 0;
}
