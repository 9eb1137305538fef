#include "dictionary/frames.h"

#include <QByteArray>
#include <QTest>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace volmira;
using namespace volmira::frames;

namespace {

// Records the decoded events as one line each, so whole streams compare as text.
class LogListener final : public FrameListener {
public:
    void catalog(const std::vector<std::string_view>& tables) override
    {
        std::string line = "catalog";
        for (auto t : tables)
            line += " " + std::string(t);
        log.push_back(line);
    }
    void beginTable(std::string_view name, const std::vector<ColumnSpec>& columns) override
    {
        std::string line = "table " + std::string(name);
        for (const auto& c : columns)
            line += " " + std::string(c.name) + ":" + std::to_string(int(c.type));
        log.push_back(line);
    }
    void row(const CellView* cells, int count) override
    {
        std::string line = "row";
        for (int i = 0; i < count; ++i) {
            switch (cells[i].kind) {
            case CellView::Kind::Null: line += " null"; break;
            case CellView::Kind::Text: line += " '" + std::string(cells[i].text) + "'"; break;
            case CellView::Kind::Number: line += " n" + std::to_string(cells[i].number); break;
            case CellView::Kind::Single: line += " s" + std::to_string(cells[i].number); break;
            case CellView::Kind::YesNo: line += " b" + std::to_string(int(cells[i].number)); break;
            case CellView::Kind::Date: line += " d" + std::to_string(cells[i].number); break;
            case CellView::Kind::Binary:
                line += " x" + QByteArray(cells[i].text.data(), int(cells[i].text.size())).toHex().toStdString();
                break;
            }
        }
        log.push_back(line);
    }
    void endTable() override { log.push_back("end"); }

    std::vector<std::string> log;
};

QByteArray bytes(const FrameWriter& w) { return QByteArray(w.data(), int(w.size())); }

void hello(FrameWriter& w, std::uint32_t magic = kMagic, std::uint32_t version = kVersion)
{
    w.begin(FrameType::Hello);
    w.putU32(magic);
    w.putU32(version);
    w.end();
}

void catalog(FrameWriter& w, std::vector<std::string> names = {"Main", "Values"})
{
    w.begin(FrameType::Catalog);
    w.putU32(std::uint32_t(names.size()));
    for (const auto& n : names)
        w.putString(n);
    w.end();
}

// A table of a Long, a Text and a Yes/No column.
void table(FrameWriter& w, std::uint32_t columns = 3)
{
    w.begin(FrameType::Table);
    w.putString("Main");
    w.putU32(columns);
    const ColumnType types[] = {ColumnType::Long, ColumnType::Text, ColumnType::Bool};
    const char* names[] = {"Id", "Name", "Flag"};
    for (std::uint32_t i = 0; i < columns && i < 3; ++i) {
        w.putU8(std::uint8_t(types[i]));
        w.putString(names[i]);
    }
    w.end();
}

void row(FrameWriter& w, double id, const std::string& name, bool flag)
{
    w.putU8(std::uint8_t(CellTag::Number));
    w.putF64(id);
    w.putU8(std::uint8_t(CellTag::Text));
    w.putString(name);
    w.putU8(std::uint8_t(flag ? CellTag::Yes : CellTag::No));
}

void rows(FrameWriter& w, std::uint32_t count)
{
    w.begin(FrameType::Rows);
    w.putU32(count);
    for (std::uint32_t i = 0; i < count; ++i)
        row(w, i, "r" + std::to_string(i), i % 2 == 0);
    w.end();
}

void endTable(FrameWriter& w, std::uint32_t count)
{
    w.begin(FrameType::EndTable);
    w.putU32(count);
    w.end();
}

void done(FrameWriter& w)
{
    w.begin(FrameType::Done);
    w.end();
}

// Feeds the stream in pieces of `chunk` bytes and ends it.
void decode(const QByteArray& stream, FrameListener& listener, std::size_t chunk, const Limits& limits = Limits())
{
    FrameDecoder decoder(listener, limits);
    for (std::size_t at = 0; at < std::size_t(stream.size());) {
        std::size_t room = 0;
        char* space = decoder.space(&room);
        const std::size_t n = std::min({room, chunk, std::size_t(stream.size()) - at});
        std::memcpy(space, stream.constData() + at, n);
        decoder.commit(n);
        at += n;
    }
    decoder.finish();
}

}  // namespace

class FramesTest final : public QObject {
    Q_OBJECT

private slots:
    void streamDecodesAlikeInAnyChunking()
    {
        FrameWriter w;
        hello(w);
        catalog(w);
        w.begin(FrameType::Table);
        w.putString("T");
        w.putU32(6);
        for (ColumnType type : {ColumnType::Single, ColumnType::Memo, ColumnType::Bool, ColumnType::Other,
                                ColumnType::DateTime, ColumnType::Binary}) {
            w.putU8(std::uint8_t(type));
            w.putString("c");
        }
        w.end();
        w.begin(FrameType::Rows);
        w.putU32(2);
        w.putU8(std::uint8_t(CellTag::Single));
        w.putF32(0.5f);
        w.putU8(std::uint8_t(CellTag::Text));
        w.putString("");
        w.putU8(std::uint8_t(CellTag::Yes));
        w.putU8(std::uint8_t(CellTag::Number));
        w.putF64(-2);
        w.putU8(std::uint8_t(CellTag::Date));
        w.putF64(-1.25);
        w.putU8(std::uint8_t(CellTag::Binary));
        w.putString(std::string("\0\xff", 2));
        w.putU8(std::uint8_t(CellTag::Null));
        w.putU8(std::uint8_t(CellTag::Null));
        w.putU8(std::uint8_t(CellTag::No));
        w.putU8(std::uint8_t(CellTag::Text));
        w.putString("x");
        w.putU8(std::uint8_t(CellTag::Null));
        w.putU8(std::uint8_t(CellTag::Binary));
        w.putString("");
        w.end();
        endTable(w, 2);
        w.begin(FrameType::Progress);  // progress changes nothing, between tables and between rows
        w.end();
        table(w);
        rows(w, 3);
        w.begin(FrameType::Progress);
        w.end();
        rows(w, 1);
        endTable(w, 4);
        done(w);
        const QByteArray stream = bytes(w);

        LogListener whole;
        decode(stream, whole, stream.size());
        const std::vector<std::string> expected{"catalog Main Values",
                                                "table T c:5 c:9 c:0 c:11 c:7 c:10",
                                                "row s0.500000 '' b-1 n-2.000000 d-1.250000 x00ff",
                                                "row null null b0 'x' null x",
                                                "end",
                                                "table Main Id:3 Name:8 Flag:0",
                                                "row n0.000000 'r0' b-1",
                                                "row n1.000000 'r1' b0",
                                                "row n2.000000 'r2' b-1",
                                                "row n0.000000 'r0' b-1",
                                                "end"};
        QCOMPARE(whole.log, expected);
        for (std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(7)}) {
            LogListener pieces;
            decode(stream, pieces, chunk);
            QCOMPARE(pieces.log, expected);
        }
    }

    void failureFrameEndsTheStream()
    {
        FrameWriter w;
        hello(w);
        catalog(w);
        table(w);
        rows(w, 1);
        w.begin(FrameType::Failure);
        w.putU32(3031);
        w.putString("protected");
        w.end();
        LogListener listener;
        FrameDecoder decoder(listener, Limits());
        std::size_t room = 0;
        char* space = decoder.space(&room);
        std::memcpy(space, w.data(), w.size());
        decoder.commit(w.size());
        decoder.finish();
        QVERIFY(decoder.failed());
        QCOMPARE(decoder.failureNumber(), 3031u);
        QCOMPARE(decoder.failureMessage(), std::string("protected"));

        // Nothing may follow it.
        space = decoder.space(&room);
        space[0] = 'D';
        QVERIFY_THROWS_EXCEPTION(FrameError, decoder.commit(1));
    }

    void badStreamsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("overLimit");

        const auto add = [](const char* name, const std::function<void(FrameWriter&)>& make, bool overLimit = false) {
            FrameWriter w;
            make(w);
            QTest::newRow(name) << bytes(w) << overLimit;
        };
        const auto start = [](FrameWriter& w) {
            hello(w);
            catalog(w);
            table(w);
        };
        // A whole stream but for the one row (Long, Text, Yes/No) whose cells are written by cells, so that
        // only that row can be what is refused.
        const auto oneRow = [&](const char* name, const std::function<void(FrameWriter&)>& cells,
                                bool overLimit = false) {
            add(
                name,
                [&](FrameWriter& w) {
                    start(w);
                    w.begin(FrameType::Rows);
                    w.putU32(1);
                    cells(w);
                    w.end();
                    endTable(w, 1);
                    done(w);
                },
                overLimit);
        };
        const auto tag = [](FrameWriter& w, CellTag t) { w.putU8(std::uint8_t(t)); };

        add("no hello", [](FrameWriter& w) { catalog(w); });
        add("wrong magic", [](FrameWriter& w) { hello(w, 0x12345678); });
        add("other version", [](FrameWriter& w) { hello(w, kMagic, kVersion + 1); });
        add("rows outside a table", [](FrameWriter& w) {
            hello(w);
            catalog(w);
            rows(w, 1);
        });
        oneRow("text in a number column", [&](FrameWriter& w) {
            tag(w, CellTag::Text);
            w.putString("1");
            tag(w, CellTag::Text);
            w.putString("a");
            tag(w, CellTag::Yes);
        });
        oneRow("date in a number column", [&](FrameWriter& w) {
            tag(w, CellTag::Date);
            w.putF64(1);
            tag(w, CellTag::Text);
            w.putString("a");
            tag(w, CellTag::Yes);
        });
        oneRow("bytes in a number column", [&](FrameWriter& w) {
            tag(w, CellTag::Binary);
            w.putString("1");
            tag(w, CellTag::Text);
            w.putString("a");
            tag(w, CellTag::Yes);
        });
        oneRow("null yes/no", [&](FrameWriter& w) {
            tag(w, CellTag::Number);
            w.putF64(1);
            tag(w, CellTag::Null);
            tag(w, CellTag::Null);  // a Yes/No value is never Null
        });
        oneRow("unknown cell tag", [](FrameWriter& w) {
            w.putU8(9);
            w.putU8(0);
            w.putU8(0);
        });
        add("unknown column type", [](FrameWriter& w) {
            hello(w);
            catalog(w);
            w.begin(FrameType::Table);
            w.putString("Main");
            w.putU32(1);
            w.putU8(kColumnTypeCount);
            w.putString("c");
            w.end();
        });
        add("table without columns", [](FrameWriter& w) {
            hello(w);
            catalog(w);
            table(w, 0);
        });
        add("row count beyond the payload", [&](FrameWriter& w) {
            start(w);
            w.begin(FrameType::Rows);
            w.putU32(1000000);
            row(w, 1, "a", true);
            w.end();
        });
        add("end counts other rows", [&](FrameWriter& w) {
            start(w);
            rows(w, 2);
            endTable(w, 3);
        });
        oneRow("payload longer than its rows", [](FrameWriter& w) {
            row(w, 1, "a", true);
            w.putU8(0);
        });
        oneRow("text longer than its frame", [&](FrameWriter& w) {
            tag(w, CellTag::Number);
            w.putF64(1);
            tag(w, CellTag::Text);
            w.putU32(100);  // longer than what follows
            w.putU8('a');
        });
        add("data after done", [](FrameWriter& w) {
            hello(w);
            catalog(w);
            done(w);
            done(w);
        });
        add("progress before hello", [](FrameWriter& w) {
            w.begin(FrameType::Progress);
            w.end();
            hello(w);
        });
        add("empty table name", [](FrameWriter& w) {
            hello(w);
            catalog(w, {"Main", ""});
        });
        {
            FrameWriter w;
            start(w);
            rows(w, 1);
            QByteArray cut = bytes(w);
            cut.chop(3);
            QTest::newRow("cut in a frame") << cut << false;
        }
        add("no done", [&](FrameWriter& w) {
            start(w);
            rows(w, 1);
            endTable(w, 1);
        });
        add("frame over the limit", [](FrameWriter& w) {
            hello(w);
            w.putU8(std::uint8_t(FrameType::Catalog));
            w.putU32(std::uint32_t(Limits().maxFrameBytes + 1));
        });
        oneRow(
            "text over the limit",
            [&](FrameWriter& w) {
                tag(w, CellTag::Number);
                w.putF64(1);
                tag(w, CellTag::Text);
                w.putU32(std::uint32_t(Limits().maxTextBytes + 1));
            },
            true);
    }

    void badStreamsAreRefused()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, overLimit);
        for (std::size_t chunk : {std::size_t(1), std::size_t(stream.size())}) {
            LogListener listener;
            try {
                decode(stream, listener, chunk);
                QFAIL("the stream was accepted");
            } catch (const FrameError& error) {
                QCOMPARE(error.kind() == FrameError::Kind::Limit, overLimit);
                QVERIFY(std::strlen(error.what()) > 0);
            }
        }
    }

    // Any change to a sound stream is either still a stream or refused with a FrameError; under the
    // sanitizers this also shows that no byte is read outside the buffer.
    void changedStreamsAreDecodedOrRefused()
    {
        FrameWriter w;
        hello(w);
        catalog(w);
        table(w);
        rows(w, 5);
        rows(w, 2);
        endTable(w, 7);
        done(w);
        const QByteArray sound = bytes(w);
        quint32 state = 7;
        auto random = [&state](quint32 below) {
            state = state * 1664525u + 1013904223u;
            return (state >> 8) % below;
        };
        int refused = 0;
        for (int round = 0; round < 3000; ++round) {
            QByteArray stream = sound;
            const int changes = 1 + int(random(4));
            for (int i = 0; i < changes; ++i) {
                const int at = int(random(quint32(stream.size())));
                switch (random(3)) {
                case 0: stream[at] = char(random(256)); break;
                case 1: stream.remove(at, 1 + int(random(4))); break;
                default: stream.insert(at, char(random(256))); break;
                }
            }
            LogListener listener;
            try {
                decode(stream, listener, 1 + random(64));
            } catch (const FrameError&) {
                ++refused;
            }
        }
        QVERIFY(refused > 2000);
    }

    void totalBytesAreCapped()
    {
        FrameWriter w;
        hello(w);
        catalog(w);
        table(w);
        rows(w, 100);
        endTable(w, 100);
        done(w);
        Limits limits;
        limits.maxTotalBytes = w.size() - 1;
        LogListener listener;
        try {
            decode(bytes(w), listener, 64, limits);
            QFAIL("the stream was accepted");
        } catch (const FrameError& error) {
            QCOMPARE(error.kind(), FrameError::Kind::Limit);
        }
        limits.maxTotalBytes = w.size();
        LogListener fits;
        decode(bytes(w), fits, 64, limits);
        QCOMPARE(fits.log.size(), std::size_t(103));
    }
};

QTEST_GUILESS_MAIN(FramesTest)
#include "tst_frames.moc"
