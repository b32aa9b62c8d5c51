// libFuzzer target: see fuzz_entries.h for what prova_compilazione checks; short
// lines without the plan, fuzz_compile_long takes any line with its plan.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string guasto = binario::fuzz::prova_compilazione(
        {reinterpret_cast<const char*>(data), size}, binario::fuzz::limiti_fuzz_corti);
    if (!guasto.empty()) {
        std::fprintf(stderr, "fuzz_compile: %s\n", guasto.c_str());
        std::abort();
    }
    return 0;
}
