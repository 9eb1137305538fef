#include "dictionary/readerclient.h"

#include "dictionary/error.h"

namespace volmira {

void ReaderClient::read(const QString& path, const QStringList&, TableSink&)
{
    throw Error(ErrorNumber::ReaderFailedToStart, QStringLiteral("Cannot read '%1': the reader is not built yet").arg(path));
}

}  // namespace volmira
