// Times the search panel on a synthetic dictionary, through the main window as a user drives it:
// each search across all areas (Enter in the search box, up to the first match shown) and the
// Next and Previous steps that follow.
//   bench_search [MAIN_ROWS] [--trace]   (100000 rows by default; --trace lists each search's statements)

#include "common/guitestsupport.h"
#include "testkit/mdbwrite/databasewriter.h"
#include "testkit/mdbwrite/syntheticdictionary.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Figures {
    double median = 0;
    double worst = 0;
};

Figures summarise(std::vector<double> ms)
{
    if (ms.empty())
        return {};
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double timed(const std::function<void()>& action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t mainRows =
        argc > 1 && argv[1][0] != '-' ? std::size_t(std::strtoull(argv[1], nullptr, 10)) : 100000;

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("synthetic.mdb"));
    const double writeMs =
        timed([&] { volmira::jet4::writeDatabaseFile(volmira::jet4::syntheticDictionary(mainRows), path); });

    MainWindowSession session({path});
    // With --trace, each search's statements are listed with the time from each to the next.
    const bool trace = QCoreApplication::arguments().contains(QStringLiteral("--trace"));
    QElapsedTimer traceClock;
    traceClock.start();
    std::vector<std::pair<double, QString>> traced;
    if (trace)
        session.window().setStatementObserver(
            [&](const QString& sql) { traced.emplace_back(traceClock.nsecsElapsed() / 1e6, sql); });
    bool opened = false;
    const double openMs = timed([&] {
        session.start();
        opened = QTest::qWaitFor(
            [&] {
                return !session.fatalErrors.empty()
                       || session.find<QLabel>("lblDBVer")->text().startsWith("Database Version :");
            },
            120000);
    });
    if (!opened || !session.fatalErrors.empty()) {
        std::fprintf(stderr, "the dictionary did not open: %s\n",
                     session.fatalErrors.empty() ? "timed out" : qPrintable(session.fatalErrors.front().description()));
        return 1;
    }
    std::printf("dictionary: %zu Main rows; written in %.0f ms, opened in %.0f ms\n", mainRows, writeMs, openMs);

    // A message box (no result) is answered at once.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    answer.start(5);

    auto* box = session.find<QLineEdit>("txtSearch");
    auto* tables = session.find<QListWidget>("lstTables");
    auto* next = session.find<QAbstractButton>("cmdNext");
    auto* previous = session.find<QAbstractButton>("cmdPrevious");
    session.find<QComboBox>("cmbDomain")->setCurrentIndex(0);  // all areas

    // walkOption: the mode the walk runs in when it differs from the search's (Previous is usable in
    // the column-description mode only after a search in another mode).
    const struct {
        const char* option;
        const char* walkOption;
        const char* label;
        const char* text;
    } searches[] = {
        {"optTable", nullptr, "table name", "claim"},
        {"optTable", nullptr, "table name", "CMC_"},
        {"optTblDesc", nullptr, "table description", "claim"},
        {"optColumn", nullptr, "column name", "amount"},
        {"optColumn", nullptr, "column name", "_0"},
        {"optColDesc", nullptr, "column description", "amount"},
        {"optColDesc", nullptr, "column description", "Müller"},
        {"optTblDesc", "optColDesc", "t.desc, walk c.desc", "amount"},
    };
    constexpr int kRepeats = 5;
    constexpr int kSteps = 60;
    auto* columns = session.find<QListWidget>("lstColumns");
    const auto position = [&] { return std::make_pair(tables->currentRow(), columns->currentRow()); };
    // The median counts the steps that moved; the worst is over all steps.
    const auto step = [&](QAbstractButton* button, std::vector<double>& moved, double& worst) {
        const auto before = position();
        const double ms = timed([&] { button->click(); });
        worst = std::max(worst, ms);
        if (position() != before)
            moved.push_back(ms);
    };
    std::printf("%-20s %-8s %6s | %-16s | %-22s | %-22s\n", "mode", "text", "tables", "search ms med/max",
                "next ms med/max (moves)", "prev ms med/max (moves)");
    for (const auto& s : searches) {
        session.find<QRadioButton>(s.option)->click();
        box->setText(QString::fromUtf8(s.text));
        std::vector<double> searchMs, nextMs, previousMs;
        double nextWorst = 0, previousWorst = 0;
        for (int i = 0; i < kRepeats; ++i) {
            traced.clear();
            const double start = traceClock.nsecsElapsed() / 1e6;
            searchMs.push_back(timed([&] { QTest::keyClick(box, Qt::Key_Return); }));
            if (trace && i == 0) {
                const double end = traceClock.nsecsElapsed() / 1e6;
                std::printf("  %7.2f ms before the first statement\n",
                            traced.empty() ? end - start : traced[0].first - start);
                for (std::size_t k = 0; k < traced.size(); ++k)
                    std::printf("  %7.2f ms  %s\n",
                                (k + 1 < traced.size() ? traced[k + 1].first : end) - traced[k].first,
                                qPrintable(traced[k].second.left(110)));
            }
        }
        if (s.walkOption)
            session.find<QRadioButton>(s.walkOption)->click();
        for (int i = 0; i < kSteps; ++i)
            step(next, nextMs, nextWorst);
        if (previous->isEnabled())
            for (int i = 0; i < kSteps; ++i)
                step(previous, previousMs, previousWorst);
        const Figures f = summarise(searchMs), n = summarise(nextMs), p = summarise(previousMs);
        char previousText[40] = "disabled";
        if (previous->isEnabled())
            std::snprintf(previousText, sizeof previousText, "%6.2f / %6.2f (%2zu)", p.median, previousWorst,
                          previousMs.size());
        std::printf("%-20s %-8s %6d | %6.2f / %6.2f | %6.2f / %6.2f (%2zu) | %s\n", s.label, s.text, tables->count(),
                    f.median, f.worst, n.median, nextWorst, nextMs.size(), previousText);
    }
    return session.fatalErrors.empty() ? 0 : 1;
}
