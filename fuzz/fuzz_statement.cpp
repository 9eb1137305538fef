// Statement text through the engine: parsed, translated and run on a small dictionary. Any text must end
// in rows or in a volmira::Error; nothing else may escape, and nothing may read or write out of bounds.

#include "dictionary/error.h"
#include "engine/fakedictionary.h"

#include <cstdint>

namespace {

using namespace testing;

std::shared_ptr<volmira::SqliteEngine> dictionaryEngine()
{
    FakeDictionary dictionary;
    dictionary
        .main({{text("CMC_ACCT_LEDGER"), text("ACCT_ID"), text("acct"), number(1), text("Ledger identifier"), text("Id")},
               {text("CMC_ACCT_LEDGER"), text("ACCT_AMT"), text("acct"), number(2), text("Amount in €"), null()},
               {text("O'NEIL_TBL"), text("Größe"), text("bill"), number(1), text("ΑΒΓ ß straße"), text("Label")},
               {text("CMC_CLCL_CLAIM"), null(), text("clcl"), null(), null(), null()}})
        .tableDescriptions({{text("CMC_ACCT_LEDGER"), text("The ledger"), text("Ledger"), text("acct")},
                            {text("O'NEIL_TBL"), null(), text("Nil"), text("bill")}})
        .values({{text("A"), text("Active"), text("acct"), text("CMC_ACCT_LEDGER"), text("ACCT_ID")},
                 {text("İ"), text("dotted"), text("bill"), text("O'NEIL_TBL"), text("Größe")}})
        .releases({number(449), number(451), null()});
    return dictionary.engine();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::shared_ptr<volmira::SqliteEngine> engine = dictionaryEngine();
    const QString sql = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const volmira::Engine::Result result = engine->run(sql);
        if (result.columnCount <= 0 || result.cells.size() % std::size_t(result.columnCount) != 0)
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
