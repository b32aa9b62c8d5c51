// Windows: large zeroed arrays straight from VirtualAlloc, which hands out
// zeroed pages; small ones from calloc.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "common/large_array.h"

namespace binario {
namespace {

constexpr size_t soglia = size_t{2} << 20;

}  // namespace

void* prendi_zerata(size_t byte) {
    if (byte < soglia) {
        void* p = std::calloc(byte, 1);
        if (p == nullptr) throw std::bad_alloc();
        return p;
    }
    void* p = ::VirtualAlloc(nullptr, byte, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

void rilascia_zerata(void* p, size_t byte) noexcept {
    if (p == nullptr) return;
    if (byte < soglia)
        std::free(p);
    else
        ::VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace binario
