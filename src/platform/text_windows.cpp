#include "platform/text_windows.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

namespace binario {

std::string utf8_da_wide(const wchar_t* testo) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, testo, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, testo, -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

std::wstring wide_da_utf8(const std::string& testo) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, testo.c_str(), -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring s(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, testo.c_str(), -1, s.data(), n);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

void prepara_console() {
    ::SetConsoleOutputCP(CP_UTF8);
    ::SetConsoleCP(CP_UTF8);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool ha_console() {
    if (::GetConsoleWindow() == nullptr) return false;
    // A console made for this process alone (a double click on the program) has
    // only this process attached.
    DWORD processi[2];
    return ::GetConsoleProcessList(processi, 2) > 1;
}

bool arresto_in_finestra(void* uscita) {
    const DWORD tipo = uscita == nullptr || uscita == INVALID_HANDLE_VALUE
                           ? FILE_TYPE_UNKNOWN
                           : ::GetFileType(static_cast<HANDLE>(uscita));
    if (tipo == FILE_TYPE_DISK || tipo == FILE_TYPE_PIPE) return false;
    return !ha_console();
}

}  // namespace binario
