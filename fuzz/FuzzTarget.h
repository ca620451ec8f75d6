#pragma once
// One entry point per parser. Built with clang as a libFuzzer target, the entry is
// LLVMFuzzerTestOneInput; built into the ordinary test run (any compiler), each target keeps a
// name of its own so that one program can replay the inputs kept for all of them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifdef RIMVISTA_FUZZ_REPLAY
#define RIMVISTA_FUZZ_TARGET(name) int name(const std::uint8_t* data, std::size_t size)
#else
#define RIMVISTA_FUZZ_TARGET(name) \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#endif

// A broken promise of the parser is a finding like a crash, in the fuzzer and in the replay.
#define FUZZ_CHECK(condition)                                                            \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

namespace rimvista::fuzz {

// The input as a regular file (in memory, no disk), for readers that take a path or a file.
// One file per thread, rewritten for each input; returns its path.
const char* asFile(const std::uint8_t* data, std::size_t size);

}  // namespace rimvista::fuzz
