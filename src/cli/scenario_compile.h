// The compile of a user's line and train description files, shared by
// 'binario compile' (which writes the compiled files) and 'binario check' (which
// writes nothing). The user's files are only read.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>
#include <vector>

namespace binario {

struct opzioni_compilazione {
    std::string comando;     // "compile" or "check", for the messages
    std::string file_linea;  // paths as the user gave them
    std::string file_treno;
    std::optional<std::string> linea;  // --linea; otherwise from the line file's name
    std::optional<std::string> treno;  // --treno; otherwise from the train file's name
    bool scrivi = true;                // write the compiled files (compile) or nothing (check)
    std::string cartella = ".";        // --out
    bool planimetria = true;           // false with --no-plan: no plan built, no plan file written
    bool json = false;
    bool avvisi = true;                      // false with --no-warnings
    bool avvisi_falliscono = false;          // --werror
    bool incompleto = false;                 // --incomplete: write the set despite errors
    bool attendi = true;                     // false with --no-wait: a folder in use fails at once
    size_t massimo_diagnostiche = 100;       // --max-diagnostics; 0 keeps them all
    std::vector<std::string> avvisi_spenti;  // --allow NAME, -Wno-NAME
};

// Adds the positionals and the options of compile (scrivi) or check to `cmd`.
void aggiungi_opzioni_compilazione(CLI::App* cmd, opzioni_compilazione& o);

// Runs the compile and reports it. Returns the exit status: exit_ok, exit_faults
// (faults recorded, or warnings with --werror; nothing written unless --incomplete),
// exit_stopped (1250 / 1251, nothing written), exit_usage, exit_busy (--no-wait and
// the folder in use), exit_io (an input that does not exist or cannot be read, nothing
// written; or an output that cannot be written; the message gives the operating
// system's reason).
int esegui_compilazione(const opzioni_compilazione& o);

}  // namespace binario
