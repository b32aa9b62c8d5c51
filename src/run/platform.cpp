#include "run/platform.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace binario {

std::string cartella_programma() {
    std::string percorso(4096, '\0');
    ssize_t n = ::readlink("/proc/self/exe", percorso.data(), percorso.size());
    if (n <= 0) return ".";
    percorso.resize(static_cast<size_t>(n));
    auto barra = percorso.rfind('/');
    if (barra == std::string::npos) return ".";
    if (barra == 0) return "/";
    return percorso.substr(0, barra);
}

void mostra_attesa() {
    std::fputs("Attendere\n", stderr);
    std::fflush(stderr);
}

std::function<void(const std::string&)> finestra_arresto() {
    return {};
}

}  // namespace binario
