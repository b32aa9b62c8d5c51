// libFuzzer target: the whole compile of any line, the longest included (see
// fuzz_entries.h); fuzz_compile covers the short ones much faster.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string guasto =
        binario::fuzz::prova_compilazione({reinterpret_cast<const char*>(data), size});
    if (!guasto.empty()) {
        std::fprintf(stderr, "fuzz_compile_long: %s\n", guasto.c_str());
        std::abort();
    }
    return 0;
}
