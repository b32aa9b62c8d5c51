#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_names.h"
#include "cli/commands.h"
#include "compiler/format_facts.h"
#include "compiler/warning_names.h"
#include "run/one_shot.h"
#include "run/platform.h"

namespace binario {

namespace {

// The topics of 'binario help' that are no command.
constexpr const char* argomento_errori = "errors";
constexpr const char* argomento_avvisi = "warnings";

void stampa_errori() {
    std::puts("Error numbers of the compile, and what each one means:");
    for (const significato_errore& e : tabella_errori())
        std::printf("  %4d  %s\n", static_cast<int>(e.numero), e.testo);
}

void stampa_avvisi() {
    std::puts("Warnings and notes, by the name that --allow NAME or -Wno-NAME turns off:");
    for (const nome_avviso& a : avvisi_noti()) std::printf("  %-20s %s\n", a.nome, a.significato);
}

std::vector<std::string> nomi_comandi() {
    std::vector<std::string> nomi;
    for (const comando& c : comandi) nomi.push_back(c.nome);
    nomi.push_back("help");
    return nomi;
}

// "unknown command 'compil'; did you mean 'compile'?", or without the question
// when no command is close.
std::string comando_sconosciuto(const std::string& parola, const std::vector<std::string>& nomi) {
    std::string testo = "unknown command '" + parola + "'";
    if (auto vicino = comando_vicino(parola, nomi)) testo += "; did you mean '" + *vicino + "'?";
    return testo;
}

}  // namespace

int esegui_cli(int argc, char** argv) {
    if (argc <= 1)
        return riporta_avvio(esegui_avvio(cartella_programma()), stderr, finestra_arresto());

    CLI::App app{
        "binario: scenario compiler for the train-driving simulator.\n"
        "With no arguments it writes the built-in scenario (line \"Lavena_Torre Alta\", train\n"
        "\"A 1\") into the program's folder and compiles it.",
        "binario"};
    app.set_version_flag("-V,--version", std::string("binario ") + BINARIO_VERSION);
    // Options are written "-x" and "--name" everywhere; on Windows the library would
    // also take "/name", and so read a path such as "/scenari/a_linea.txt" as one.
    app.allow_windows_style_options(false);
    app.require_subcommand(1);
    app.footer(
        "'binario help COMMAND' (or 'binario COMMAND --help') shows the options of a command;\n"
        "'binario help errors' lists the error numbers, 'binario help warnings' the warnings.\n"
        "Exit status: 0 done; each command's help gives its own, among them 64 a bad command\n"
        "line, 65 bad data, 73 an output file that exists (--force replaces it), 74 a file\n"
        "that does not exist or cannot be read or written, 75 the output folder in use.");

    std::vector<std::function<int()>> azioni;
    const std::vector<std::string> nomi = nomi_comandi();

    // 'binario help [TOPIC]' is 'binario [TOPIC] --help', or one of the lists.
    std::vector<std::string> argomenti(argv + 1, argv + argc);
    if (argomenti.front() == "help") {
        if (argomenti.size() > 2) {
            std::fputs("binario help: give at most one command; 'binario help' lists them\n",
                       stderr);
            return exit_usage;
        }
        // 'binario help --help' asks for the same text as 'binario help'.
        if (argomenti.size() == 1 || argomenti[1] == "--help" || argomenti[1] == "-h") {
            argomenti = {"--help"};
        } else if (argomenti[1] == argomento_errori) {
            stampa_errori();
            return exit_ok;
        } else if (argomenti[1] == argomento_avvisi) {
            stampa_avvisi();
            return exit_ok;
        } else if (std::find(nomi.begin(), nomi.end(), argomenti[1]) == nomi.end()) {
            std::vector<std::string> argomenti_aiuto = nomi;
            argomenti_aiuto.push_back(argomento_errori);
            argomenti_aiuto.push_back(argomento_avvisi);
            std::fprintf(stderr, "binario help: %s\n",
                         comando_sconosciuto(argomenti[1], argomenti_aiuto).c_str());
            return exit_usage;
        } else if (argomenti[1] == "help") {
            argomenti = {"--help"};
        } else {
            argomenti = {argomenti[1], "--help"};
        }
    } else if (!argomenti.front().empty() && argomenti.front()[0] != '-' &&
               std::find(nomi.begin(), nomi.end(), argomenti.front()) == nomi.end()) {
        std::fprintf(stderr, "binario: %s\nRun 'binario help' for the commands.\n",
                     comando_sconosciuto(argomenti.front(), nomi).c_str());
        return exit_usage;
    }

    // A command named first is set up alone: setting up the options of every
    // command costs a fifth of a one-shot run. Anything else (an option such as
    // --help) gets them all, for the help.
    registra_comandi(app, azioni, argomenti.front());

    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> rovescio(argomenti.rbegin(), argomenti.rend());
        app.parse(rovescio);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return exit_usage;
    }
    for (auto& azione : azioni)
        if (azione) return azione();
    return exit_usage;
}

}  // namespace binario
