// Registration of the tool's commands. Each command adds its subcommand to the
// app and, when it is the one chosen, leaves its action in `azioni`.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
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

inline void registra_comandi(CLI::App& app, elenco_azioni& azioni) {
    registra_run(app, azioni);
    registra_example(app, azioni);
    registra_compile(app, azioni);
    registra_check(app, azioni);
    registra_inspect(app, azioni);
    registra_render(app, azioni);
    registra_decompile(app, azioni);
    registra_recover(app, azioni);
    registra_lsp(app, azioni);
}

}  // namespace binario
