#include "cli/platform.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace volmira::cli {

void useBinaryOutput()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool errorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// The Windows heap has no such threshold to tune.
void keepHeapCompact() {}

}  // namespace volmira::cli
