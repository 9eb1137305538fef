// volmira-query: runs Jet SQL statements on a dictionary file through the program's own database layer
// and prints their rows as TSV (the default), CSV or JSON. Statements come from the command line, or one
// a line from standard input, all answered over one open of the file.

#include "cli/platform.h"
#include "dictionary/connection.h"
#include "dictionary/engine.h"
#include "dictionary/error.h"
#include "dictionary/filename.h"
#include "dictionary/recordset.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <string>

namespace {

using volmira::FieldValue;
using Kind = FieldValue::Kind;

constexpr const char* usageLine = "volmira-query [--header | --csv | --json] FILE.mdb [SQL | -]";

constexpr const char* helpText = "Usage: volmira-query [--header | --csv | --json] FILE.mdb [SQL | -]\n"
                                 "Runs Jet SQL statements on a data dictionary file (.mdb) and prints their rows.\n"
                                 "Without SQL, or with -, reads statements from standard input, one a line, over one\n"
                                 "open of the file; a statement that fails is reported and the next one runs.\n"
                                 "\n"
                                 "  --header   TSV: begin each result with a line of the column names\n"
                                 "  --csv      CSV (RFC 4180, UTF-8) with a header line\n"
                                 "  --json     one JSON array of objects per statement\n"
                                 "  --help     show this help and exit\n"
                                 "  --version  show the version and exit\n"
                                 "\n"
                                 "The default is TSV: fields separated by a TAB, Null as \\N, TAB, newline, carriage\n"
                                 "return and backslash in a text as \\t \\n \\r \\\\, Yes/No as -1/0. Dates print as\n"
                                 "yyyy-mm-dd hh:mm:ss, bytes as 0x and hex. Exit status: 0 when every statement ran,\n"
                                 "1 when one failed, 2 for a wrong call. See volmira-query(1).\n";

enum class Format { Tsv, Csv, Json };

struct Options {
    Format format = Format::Tsv;
    bool header = false;
    QString file;
    bool fromStandardInput = true;
    QString statement;
};

void message(const std::string& text) { std::fprintf(stderr, "volmira-query: %s\n", text.c_str()); }

// Qt's own warnings, too, name the program that prints them.
void qtMessage(QtMsgType, const QMessageLogContext&, const QString& text) { message(text.toStdString()); }

[[noreturn]] void wrongCall(const std::string& problem)
{
    message(problem);
    message(std::string("usage: ") + usageLine);
    message("'volmira-query --help' tells more");
    std::exit(2);
}

// Exits for --help, --version and a wrong call.
Options parseArguments(const QStringList& arguments)
{
    Options options;
    QStringList positional;
    bool csv = false, json = false, optionsEnd = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (optionsEnd || !argument.startsWith(u'-') || argument == QLatin1String("-")) {
            positional << argument;
        } else if (argument == QLatin1String("--")) {
            optionsEnd = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            std::fputs(helpText, stdout);
            std::exit(std::fflush(stdout) == 0 ? 0 : 1);
        } else if (argument == QLatin1String("--version")) {
            std::printf("volmira-query %s\n", VOLMIRA_VERSION);
            std::exit(std::fflush(stdout) == 0 ? 0 : 1);
        } else if (argument == QLatin1String("--header")) {
            options.header = true;
        } else if (argument == QLatin1String("--csv")) {
            csv = true;
        } else if (argument == QLatin1String("--json")) {
            json = true;
        } else {
            wrongCall("unknown option '" + argument.toStdString() + "'");
        }
    }
    if (csv && json)
        wrongCall("--csv and --json exclude each other");
    if (positional.isEmpty())
        wrongCall("no file named");
    if (positional.size() > 2)
        wrongCall("more than one statement: put it in quotes, or give statements on standard input");
    options.format = csv ? Format::Csv : json ? Format::Json : Format::Tsv;
    options.file = positional[0];
    if (positional.size() == 2 && positional[1] != QLatin1String("-")) {
        options.fromStandardInput = false;
        options.statement = positional[1];
    }
    return options;
}

// ---- TSV: every row one line ----

void appendTsv(std::string& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    for (const char c : bytes) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
}

void appendTsvField(std::string& out, const FieldValue& value)
{
    if (value.kind() == Kind::Null)
        out += "\\N";
    else if (value.kind() == Kind::YesNo)
        out += value.isTrue() ? "-1" : "0";
    else
        appendTsv(out, value.toText());
}

// ---- CSV (RFC 4180): Null is an empty field, the empty text a quoted one ----

void appendCsv(std::string& out, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && bytes.indexOf(',') < 0 && bytes.indexOf('"') < 0 && bytes.indexOf('\n') < 0
        && bytes.indexOf('\r') < 0) {
        out.append(bytes.constData(), size_t(bytes.size()));
        return;
    }
    out += '"';
    for (const char c : bytes) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendCsvField(std::string& out, const FieldValue& value)
{
    if (value.kind() != Kind::Null)
        appendCsv(out, value.toText());
}

// ---- JSON ----

void appendJsonString(std::string& out, const QString& text)
{
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

// JSON's number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(const QByteArray& text)
{
    int i = 0;
    const int n = int(text.size());
    auto digits = [&] {
        const int start = i;
        while (i < n && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - start;
    };
    if (i < n && text[i] == '-')
        ++i;
    if (i < n && text[i] == '0')
        ++i;
    else if (digits() == 0)
        return false;
    if (i < n && text[i] == '.') {
        ++i;
        if (digits() == 0)
            return false;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == n;
}

void appendJsonField(std::string& out, const FieldValue& value)
{
    switch (value.kind()) {
    case Kind::Null: out += "null"; return;
    case Kind::YesNo: out += value.isTrue() ? "true" : "false"; return;
    case Kind::Number: {
        // NaN and the infinities have no JSON number: they go as their text.
        const QByteArray text = value.toText().toUtf8();
        if (isJsonNumber(text))
            out.append(text.constData(), size_t(text.size()));
        else
            appendJsonString(out, value.toText());
        return;
    }
    case Kind::Text:
    case Kind::Date:
    case Kind::Binary: appendJsonString(out, value.toText()); return;
    }
}

void write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void printResult(volmira::Recordset& rs, const Options& options)
{
    const int fields = rs.fieldCount();
    std::string line;
    const char* const separator = options.format == Format::Csv ? "," : "\t";
    const char* const lineEnd = options.format == Format::Csv ? "\r\n" : "\n";
    if (options.format == Format::Csv || (options.format == Format::Tsv && options.header)) {
        for (int i = 0; i < fields; ++i) {
            if (i)
                line += separator;
            if (options.format == Format::Csv)
                appendCsv(line, rs.fieldName(i));
            else
                appendTsv(line, rs.fieldName(i));
        }
        line += lineEnd;
        write(line);
    }
    if (options.format == Format::Json)
        write("[");
    bool first = true;
    for (; !rs.Eof(); rs.MoveNext(), first = false) {
        line.clear();
        if (options.format == Format::Json) {
            line += first ? "\n{" : ",\n{";
            for (int i = 0; i < fields; ++i) {
                if (i)
                    line += ", ";
                appendJsonString(line, rs.fieldName(i));
                line += ": ";
                appendJsonField(line, rs.Fields(i).Value);
            }
            line += '}';
        } else {
            for (int i = 0; i < fields; ++i) {
                if (i)
                    line += separator;
                if (options.format == Format::Csv)
                    appendCsvField(line, rs.Fields(i).Value);
                else
                    appendTsvField(line, rs.Fields(i).Value);
            }
            line += lineEnd;
        }
        write(line);
    }
    if (options.format == Format::Json)
        write(first ? "]\n" : "\n]\n");
}

void reportError(const volmira::Error& e)
{
    message("Error " + std::to_string(e.number()) + ": " + e.description().toStdString());
}

// Runs one statement and prints its rows; false when it failed (reported on standard error).
bool answer(const QString& sql, const volmira::Connection& connection, const Options& options)
{
    try {
        volmira::Recordset rs;
        rs.Open(sql, connection);
        printResult(rs, options);
        rs.Close();
        return true;
    } catch (const volmira::Error& e) {
        std::fflush(stdout);  // the error line follows the rows printed before it
        reportError(e);
        return false;
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        reportError(volmira::outOfMemory());
        return false;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    qInstallMessageHandler(qtMessage);
    volmira::cli::setUpStandardStreams();
    QCoreApplication app(argc, argv);  // the reader is found beside this program
    const Options options = parseArguments(QCoreApplication::arguments());
    volmira::Connection connection;
    try {
        // Only the tables the statements name are read, each once.
        connection.openOn(volmira::Engine::open(volmira::fileNameArgument(argc, argv, options.file),
                                                volmira::Engine::Preload::CatalogOnly));
    } catch (const volmira::Error& e) {
        reportError(e);
        return 1;
    } catch (const std::bad_alloc&) {
        reportError(volmira::outOfMemory());
        return 1;
    }
    bool allRan = true;
    if (!options.fromStandardInput) {
        allRan = answer(options.statement, connection, options);
    } else {
        std::string line;
        for (bool first = true; std::getline(std::cin, line); first = false) {
            if (first && line.compare(0, 3, "\xEF\xBB\xBF") == 0)
                line.erase(0, 3);  // the byte order mark of a file saved by a Windows editor
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const QString sql = QString::fromStdString(line);
            if (!sql.trimmed().isEmpty())
                allRan = answer(sql, connection, options) && allRan;
        }
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        message(std::string("cannot write the output: ") + std::strerror(errno));
        return 1;
    }
    return allRan ? 0 : 1;
}
