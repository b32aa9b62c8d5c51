// Registration of the tool's commands. Each command adds its subcommand to the
// app and, when it is the one chosen, leaves its action in `azioni`.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string_view>
#include <vector>

namespace binario {

using elenco_azioni = std::vector<std::function<int()>>;

void registra_run(CLI::App& app, elenco_azioni& azioni);
void registra_example(CLI::App& app, elenco_azioni& azioni);
void registra_inspect(CLI::App& app, elenco_azioni& azioni);
void registra_render(CLI::App& app, elenco_azioni& azioni);
void registra_compile(CLI::App& app, elenco_azioni& azioni);
void registra_check(CLI::App& app, elenco_azioni& azioni);
void registra_decompile(CLI::App& app, elenco_azioni& azioni);
void registra_recover(CLI::App& app, elenco_azioni& azioni);
void registra_lsp(CLI::App& app, elenco_azioni& azioni);

// The commands by name, in the order the help lists them.
struct comando {
    const char* nome;
    void (*registra)(CLI::App& app, elenco_azioni& azioni);
};
inline constexpr comando comandi[] = {
    {"run", registra_run},
    {"example", registra_example},
    {"compile", registra_compile},
    {"check", registra_check},
    {"inspect", registra_inspect},
    {"render", registra_render},
    {"decompile", registra_decompile},
    {"recover", registra_recover},
    {"lsp", registra_lsp},
};

// Registers the command named `scelto` alone when there is one of that name, else
// every command.
inline void registra_comandi(CLI::App& app, elenco_azioni& azioni, std::string_view scelto = {}) {
    for (const comando& c : comandi)
        if (c.nome == scelto) return c.registra(app, azioni);
    for (const comando& c : comandi) c.registra(app, azioni);
}

}  // namespace binario
