#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/text_windows.h"
#include "run/platform.h"

namespace binario {

std::string cartella_programma() {
    std::wstring percorso(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, percorso.data(), static_cast<DWORD>(percorso.size()));
        if (n == 0) return ".";
        if (n < percorso.size()) {
            percorso.resize(n);
            break;
        }
        percorso.resize(percorso.size() * 2);
    }
    const auto barra = percorso.find_last_of(L"\\/");
    if (barra == std::wstring::npos) return ".";
    return utf8_da_wide(percorso.substr(0, barra).c_str());
}

void mostra_attesa() {
    std::fputs("Attendere\n", stderr);
    std::fflush(stderr);
}

}  // namespace binario
