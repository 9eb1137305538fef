#pragma once

// What the command-line programs ask of the operating system; each platform answers in a file of its own
// (platform_posix.cpp, platform_windows.cpp).
namespace volmira::cli {

// Standard output takes the bytes as they are written, and standard error writes each message at once.
// Windows' C library otherwise writes every line feed of the output as CR LF, so that it would differ from
// the same program's on Linux, and holds the messages to a redirected standard error in a buffer, so that
// they come after later output or are lost when the program ends abnormally.
void setUpStandardStreams();

// Whether standard error is a terminal, where a progress line may be rewritten in place.
bool errorIsTerminal();

// Keeps the heap compact for a program that builds large texts one after another among many small
// pieces it holds (the export's map of the dictionary); see platform_posix.cpp.
void keepHeapCompact();

}  // namespace volmira::cli
