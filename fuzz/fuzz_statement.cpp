// Statement text through the engine: parsed, translated and run on a small dictionary and a table of every
// kind of value (numbers, dates, Yes/No, memos, Nulls) to join it with. Any text must end in rows or in a
// volmira::Error; nothing else may escape, and nothing may read or write out of bounds.

#include "common/fakedictionary.h"
#include "dictionary/error.h"

#include <cstdint>

namespace {

using namespace testing;

std::shared_ptr<volmira::SqliteEngine> dictionaryEngine()
{
    FakeDictionary dictionary;
    dictionary
        .main(
            {{text("CMC_ACCT_LEDGER"), text("ACCT_ID"), text("acct"), number(1), text("Ledger identifier"), text("Id")},
             {text("CMC_ACCT_LEDGER"), text("ACCT_AMT"), text("acct"), number(2), text("Amount in €"), null()},
             {text("O'NEIL_TBL"), text("Größe"), text("bill"), number(1), text("ΑΒΓ ß straße"), text("Label")},
             {text("CMC_CLCL_CLAIM"), null(), text("clcl"), null(), null(), null()}})
        .tableDescriptions({{text("CMC_ACCT_LEDGER"), text("The ledger"), text("Ledger"), text("acct")},
                            {text("O'NEIL_TBL"), null(), text("Nil"), text("bill")}})
        .values({{text("A"), text("Active"), text("acct"), text("CMC_ACCT_LEDGER"), text("ACCT_ID")},
                 {text("İ"), text("dotted"), text("bill"), text("O'NEIL_TBL"), text("Größe")}})
        .releases({number(449), number(451), null()})
        .add({QStringLiteral("Kinds"),
              {{"Name", volmira::ColumnType::Text},
               {"N", volmira::ColumnType::Long},
               {"X", volmira::ColumnType::Double},
               {"D", volmira::ColumnType::DateTime},
               {"F", volmira::ColumnType::Bool},
               {"M", volmira::ColumnType::Memo},
               {"S", volmira::ColumnType::Single},
               {"Table", volmira::ColumnType::Text}},
              {{text("a"), number(0), number(-1.5), number(44532.4375), yesNo(true), text("memo ☃"), single(0.1f),
                text("CMC_ACCT_LEDGER")},
               {text("B"), number(-2147483648.0), number(1e300), number(-693593), yesNo(false), null(), single(-3.5f),
                text("x")},
               {null(), null(), null(), null(), yesNo(false), text(""), null(), null()},
               {text("[*?#]"), number(7), number(0), number(2958465.99999), yesNo(true), text("%_\\"), single(1e30f),
                text("o'neil_tbl")}}});
    return dictionary.engine();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::shared_ptr<volmira::SqliteEngine> engine = dictionaryEngine();
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const volmira::Engine::Result result = engine->run(sql);
        if (result.columnCount <= 0 || result.cells.size() % std::size_t(result.columnCount) != 0
            || result.columns.size() != std::size_t(result.columnCount))
            __builtin_trap();
        for (const volmira::Field& field : result.cells) {
            if (!field.Value.isNull())
                field.Value.toText();
        }
    } catch (const volmira::Error& error) {
        if (error.description().isEmpty() || error.number() == 0)
            __builtin_trap();
    }
    return 0;
}
