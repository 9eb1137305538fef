#include "dictionary/engine.h"

#include "dictionary/error.h"

namespace volmira {

std::shared_ptr<Engine> Engine::open(const QString& path)
{
    throw Error(ErrorNumber::EngineFailure, QStringLiteral("Cannot open '%1': the engine is not built yet").arg(path));
}

}  // namespace volmira
