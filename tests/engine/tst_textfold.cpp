// Comparing and searching text ignoring letter case, on UTF-8 as the database stores it.

#include "dictionary/textfold.h"

#include <QTest>

using namespace volmira;

namespace {

long long find(const char* text, const char* part) { return textfold::find(text, textfold::foldedCodePoints(part)); }

}  // namespace

class TextFoldTest final : public QObject {
    Q_OBJECT

private slots:
    void comparesIgnoringCaseInEveryScript()
    {
        QCOMPARE(textfold::compare("ACCT", "acct"), 0);
        QCOMPARE(textfold::compare("Ärzte", "äRZTE"), 0);
        QCOMPARE(textfold::compare("ΣΊΣΥΦΟΣ", "σίσυφος"), 0);
        QCOMPARE(textfold::compare("\u212A", "k"), 0);  // Kelvin sign
        QVERIFY(textfold::compare("abc", "ABD") < 0);
        QVERIFY(textfold::compare("ab", "AB_") < 0);
        QVERIFY(textfold::compare("A_B", "ALPHA") < 0);
        // Punctuation before digits before letters, whatever the code points say.
        QVERIFY(textfold::compare("A_1", "A1") < 0);
        QVERIFY(textfold::compare("A1", "AB") < 0);
        QVERIFY(textfold::compare("A~", "A0") < 0);
        QVERIFY(textfold::compare("A ", "A!") < 0);
        QVERIFY(textfold::compare("zebra", "Ärzte") < 0);
        QVERIFY(textfold::compare("b", "A") > 0);
        QCOMPARE(textfold::compare("", ""), 0);
    }

    void findsPositionsInUtf16Units()
    {
        QCOMPARE(find("abcABC", "C"), 3);
        QCOMPARE(find("abcABC", "cab"), 3);
        QCOMPARE(find("x😀yÄb", "äB"), 5);
        QCOMPARE(find("straße", "SSE"), 0);  // simple folding: ß is not ss
        QCOMPARE(find("Straße", "STRAßE"), 1);
        QCOMPARE(find("\u212Aelvin", "kel"), 1);
        QCOMPARE(find("Kelvin", "\u212A"), 1);
        QCOMPARE(find("ſum", "SUM"), 1);
        QCOMPARE(find("aaab", "aab"), 2);
        QCOMPARE(find("", ""), 0);
        QCOMPARE(find("abc", ""), 1);
        QCOMPARE(find("ab", "abc"), 0);
        // Long text: the match is found past the vectorised part and at its edges.
        const std::string longText = std::string(37, 'x') + "Needle" + std::string(40, 'y');
        QCOMPARE(textfold::find(longText, textfold::foldedCodePoints("NEEDLE")), 38);
        QCOMPARE(textfold::find(longText, textfold::foldedCodePoints("yyy")), 44);
        QCOMPARE(textfold::find(longText, textfold::foldedCodePoints("yyyz")), 0);
        // The Kelvin sign and the long s start matches of 'k' and 's' in the vectorised part too.
        QCOMPARE(textfold::find(std::string(20, '-') + "\u212Aelvin", textfold::foldedCodePoints("KEL")), 21);
        QCOMPARE(textfold::find(std::string(20, '-') + "—ſum", textfold::foldedCodePoints("sUm")), 22);
    }

    void invalidUtf8IsNeverReadPastItsEnd()
    {
        const char bytes[] = {'a', char(0xC3), char(0xE2), char(0x82), char(0xF0), char(0x9F)};
        const std::string_view broken(bytes, sizeof bytes);
        QCOMPARE(textfold::compare(broken, broken), 0);
        QVERIFY(textfold::compare(broken, "a") > 0);
        QCOMPARE(textfold::find(broken, textfold::foldedCodePoints("A")), 1);
        QCOMPARE(textfold::find(broken, textfold::foldedCodePoints("b")), 0);
        QCOMPARE(textfold::foldedUtf8(broken).substr(0, 1), std::string("a"));
    }

    void foldedFormsAgreeWithComparison()
    {
        const char* texts[] = {"ACCT",    "acct",        "Straße", "STRASSE", "ΣΊΣΥΦΟΣ",
                               "σίσυφος", "\u212Aelvin", "kelvin", "😀x",      "😀X"};
        for (const char* a : texts)
            for (const char* b : texts)
                QCOMPARE(textfold::foldedUtf8(a) == textfold::foldedUtf8(b), textfold::compare(a, b) == 0);
        QCOMPARE(textfold::foldedUtf8("\u212Aelvin"), std::string("kelvin"));
    }

    // ASCII is folded many bytes at a time: every byte below 0x80, at every place of a block, folds as it
    // does alone, and the text around a character beyond ASCII keeps its place.
    void longTextsFoldAsTheirCharacters()
    {
        std::string ascii, expected;
        for (int i = 0; i < 3 * 128 + 5; ++i) {
            const char c = char(i % 128);
            ascii += c;
            expected += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
        }
        std::string appended = "Prefix";
        textfold::appendFolded(appended, ascii);
        QCOMPARE(appended, "Prefix" + expected);
        QCOMPARE(textfold::foldedUtf8("ABCDEFGHIJKLMNOÄPQRSTUVWXYZ0123456789ÉCOLE"),
                 std::string("abcdefghijklmnoäpqrstuvwxyz0123456789école"));
    }
};

QTEST_APPLESS_MAIN(TextFoldTest)
#include "tst_textfold.moc"
