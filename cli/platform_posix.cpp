#include "cli/platform.h"

#include <malloc.h>
#include <unistd.h>

namespace volmira::cli {

void setUpStandardStreams() {}

bool errorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void keepHeapCompact()
{
    // With glibc's defaults every freed page raises the size from which memory is mapped, so the pages
    // come to be cut from the heap among the many small pieces, and allocation grows slow (a third of the
    // site's time at 100,000 columns). A fixed threshold and a generous top keep the heap compact.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    mallopt(M_TOP_PAD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
}

}  // namespace volmira::cli
