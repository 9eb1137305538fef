#include "dictionary/error.h"

namespace volmira {

Error::Error(int number, QString description)
    : number_(number), description_(std::move(description)),
      what_(QStringLiteral("Error %1: %2").arg(number_).arg(description_).toUtf8())
{}

Error outOfMemory() { return Error(ErrorNumber::OutOfMemory, QStringLiteral("Out of memory")); }

}  // namespace volmira
