#pragma once

#include <QByteArray>
#include <QString>

namespace volmira {

// A file name is bytes; the program holds it as text. Bytes that are not UTF-8 become the code points
// U+DC80..U+DCFF, one per byte (no UTF-8 text decodes to them), so that every name found on the disk
// or given on a command line names the same file again.
QString fileNameFromBytes(const QByteArray& bytes);
QByteArray fileNameToBytes(const QString& name);
// The command-line argument that Qt decoded to `decoded`, as a file name: Qt's decoding loses the bytes
// of a name that is not UTF-8.
QString fileNameArgument(int argc, char** argv, const QString& decoded);

}  // namespace volmira
