// UTF-8 and UTF-16 on Windows, and the console.
#pragma once

#include <string>

namespace binario {

std::string utf8_da_wide(const wchar_t* testo);
std::wstring wide_da_utf8(const std::string& testo);

// Sets the console to UTF-8 so that accented letters print as written, and
// stdin, stdout and stderr to binary (no "\r" added before "\n").
void prepara_console();

// True when the process has a console of its own to write to (started from a
// console, not by a double click in the file manager).
bool ha_console();

// True when text written to `uscita` (a standard handle) would reach no one: it
// is not redirected to a file or a pipe, and the console it writes to, if any,
// is one Windows made for this process alone and closes as it ends.
bool arresto_in_finestra(void* uscita);

}  // namespace binario
