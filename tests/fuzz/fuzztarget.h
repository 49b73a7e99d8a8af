#pragma once

#include <cstddef>
#include <cstdint>

// The entry point every fuzz target defines; libFuzzer calls it, or replaymain.cpp does for each
// saved input when the build has no libFuzzer.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

// A broken property: prints `what` and aborts, so that both libFuzzer and CTest see a crash.
[[noreturn]] void FuzzFailure(const char *what);
