#include "cli/platform.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace volmira::cli {

void setUpStandardStreams()
{
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

bool errorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

// The Windows heap has no such threshold to tune.
void keepHeapCompact() {}

}  // namespace volmira::cli
