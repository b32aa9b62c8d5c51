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

std::function<void(const std::string&)> finestra_arresto() {
    if (!arresto_in_finestra(::GetStdHandle(STD_ERROR_HANDLE))) return {};
    return [](const std::string& testo) {
        const std::wstring w = wide_da_utf8(testo);
        ::MessageBoxW(nullptr, w.c_str(), L"binario", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    };
}

}  // namespace binario
