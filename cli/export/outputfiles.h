#pragma once

#include <QFile>
#include <QString>

namespace volmira::exporting {

// A UTF-8 text file written in large pieces. Every failure to create or write it raises Error 30008
// naming the file, so an export never ends with a file cut short.
class OutputFile final {
public:
    explicit OutputFile(const QString& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Text waiting to be written; write() or close() hands it to the file.
    QString& text() { return pending_; }
    void write();
    void close();

private:
    QFile file_;
    QString pending_;
};

void writeTextFile(const QString& path, const QString& text);
void writeBinaryFile(const QString& path, const QByteArray& bytes);

}  // namespace volmira::exporting
