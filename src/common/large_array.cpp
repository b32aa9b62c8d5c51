#include "common/large_array.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace binario {
namespace {

constexpr size_t pagina_grande = size_t{2} << 20;

// Below this size calloc is as good, and the memory is not worth a mapping.
bool da_mappare(size_t byte) {
    return byte >= pagina_grande;
}

size_t arrotonda_pagina(size_t byte) {
    return (byte + pagina_grande - 1) & ~(pagina_grande - 1);
}

}  // namespace

void* prendi_zerata(size_t byte) {
    if (!da_mappare(byte)) {
        void* p = std::calloc(byte, 1);
        if (p == nullptr) throw std::bad_alloc();
        return p;
    }
    // Map one huge page more than needed, then cut the mapping down to a range
    // that starts on a huge-page boundary, where the kernel can use huge pages.
    const size_t lunghezza = arrotonda_pagina(byte);
    void* grezza = ::mmap(nullptr, lunghezza + pagina_grande, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (grezza == MAP_FAILED) throw std::bad_alloc();
    const auto inizio = reinterpret_cast<uintptr_t>(grezza);
    const uintptr_t allineato = (inizio + pagina_grande - 1) & ~(uintptr_t{pagina_grande} - 1);
    if (allineato > inizio) ::munmap(grezza, allineato - inizio);
    const size_t dopo = pagina_grande - (allineato - inizio);
    if (dopo > 0) ::munmap(reinterpret_cast<void*>(allineato + lunghezza), dopo);
    void* p = reinterpret_cast<void*>(allineato);
    // Only advice: where huge pages are off, ordinary pages serve as well.
    ::madvise(p, lunghezza, MADV_HUGEPAGE);
    return p;
}

void rilascia_zerata(void* p, size_t byte) noexcept {
    if (p == nullptr) return;
    if (da_mappare(byte))
        ::munmap(p, arrotonda_pagina(byte));
    else
        std::free(p);
}

}  // namespace binario
