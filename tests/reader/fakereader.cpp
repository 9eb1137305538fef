// Stands in for volmira-reader in tests: the first word of the file it is given says how to misbehave.
//   crash    says hello, then dies of SIGSEGV        hang    says hello, then never answers again
//   garbage  sends bytes that are no frames          linger  finishes its output but does not exit
//   unknown  reports an error number the program does not know

#include "dictionary/frames.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace volmira::frames;

namespace {

constexpr int kFramesFd = 3;

void send(const FrameWriter& w)
{
    if (::write(kFramesFd, w.data(), w.size()) != static_cast<ssize_t>(w.size()))
        _exit(3);
}

void hello(FrameWriter& w)
{
    w.begin(FrameType::Hello);
    w.putU32(kMagic);
    w.putU32(kVersion);
    w.end();
}

}  // namespace

int main(int argc, char** argv)
{
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    char word[16] = {};
    if (argc < 2)
        return 2;
    if (FILE* f = std::fopen(argv[1], "r")) {
        if (std::fscanf(f, "%15s", word) != 1)
            word[0] = 0;
        std::fclose(f);
    }
    const std::string mode = word;
    FrameWriter w;
    if (mode == "garbage") {
        unsigned state = 12345;
        for (int i = 0; i < 4096; ++i) {
            state = state * 1103515245u + 12345u;
            w.putU8(static_cast<std::uint8_t>(state >> 16));
        }
        send(w);
        return 0;
    }
    hello(w);
    if (mode == "crash") {
        send(w);
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
    } else if (mode == "hang") {
        send(w);
        for (;;)
            pause();
    } else if (mode == "linger") {
        w.begin(FrameType::Catalog);
        w.putU32(0);
        w.end();
        w.begin(FrameType::Done);
        w.end();
        send(w);
        ::close(kFramesFd);
        for (;;)
            pause();
    } else if (mode == "unknown") {
        w.begin(FrameType::Failure);
        w.putU32(4242);
        w.putString("an error of its own");
        w.end();
        send(w);
    }
    return 0;
}
