// Windows: the arguments come as UTF-16 and are turned into UTF-8 once, here;
// everything past this point sees UTF-8 as on Linux.
#include <windows.h>

#include <string>
#include <vector>

#include "cli/app.h"
#include "platform/text_windows.h"

int wmain(int argc, wchar_t** wargv) {
    binario::prepara_console();
    std::vector<std::string> argomenti;
    argomenti.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) argomenti.push_back(binario::utf8_da_wide(wargv[i]));
    std::vector<char*> argv;
    for (auto& a : argomenti) argv.push_back(a.data());
    argv.push_back(nullptr);
    return binario::esegui_cli(argc, argv.data());
}
