// volmira-query FILE.mdb "SQL": runs one statement through the program's own database layer and
// prints its rows, one a line, fields separated by a TAB.

#include "dictionary/connection.h"
#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/recordset.h"
#include "dictionary/statements.h"

#include <QCoreApplication>

#include <cstdio>
#include <string>

namespace {

// Null as \N; TAB, newline, carriage return and backslash inside a text escaped, so every row is one line.
std::string field(const volmira::FieldValue& value)
{
    using Kind = volmira::FieldValue::Kind;
    if (value.kind() == Kind::Null)
        return "\\N";
    if (value.kind() == Kind::YesNo)
        return value.isTrue() ? "-1" : "0";
    const QByteArray text = value.toText().toUtf8();
    std::string out;
    out.reserve(size_t(text.size()));
    for (const char c : text) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);  // the reader is found beside this program
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3) {
        std::fprintf(stderr, "Usage: volmira-query FILE.mdb \"SQL\"\n");
        return 2;
    }
    try {
        volmira::Connection connection;
        // The file's name as its bytes: a name that is not UTF-8 still opens.
        connection.setConnectionString(volmira::statements::connectionString(volmira::fileNameFromBytes(argv[1])));
        connection.Open();
        volmira::Recordset rs;
        rs.Open(arguments[2], connection);
        std::string line;
        while (!rs.Eof()) {
            line.clear();
            for (int i = 0; i < rs.fieldCount(); ++i) {
                if (i)
                    line += '\t';
                line += field(rs.Fields(i).Value);
            }
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), stdout);
            rs.MoveNext();
        }
        rs.Close();
    } catch (const volmira::Error& e) {
        std::fprintf(stderr, "Error %d: %s\n", e.number(), e.description().toUtf8().constData());
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
