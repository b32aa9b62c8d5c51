// libFuzzer target: see fuzz_entries.h for what prova_decompilazione_casuale checks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string guasto =
        binario::fuzz::prova_decompilazione_casuale({reinterpret_cast<const char*>(data), size});
    if (!guasto.empty()) {
        std::fprintf(stderr, "fuzz_decompile: %s\n", guasto.c_str());
        std::abort();
    }
    return 0;
}
