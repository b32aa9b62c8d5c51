#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/app.h"
#include "cli/commands.h"
#include "common/file_names.h"
#include "common/file_replace.h"
#include "common/folder_exists.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "platform/utf8_paths.h"

namespace binario {

namespace {

const std::string linea_esempio = "Lavena_Torre Alta";
const std::string treno_esempio = "A 1";

// The files of the example already in `cartella`: an author may have edited them.
std::vector<std::string> file_presenti(const std::string& cartella) {
    std::vector<std::string> presenti;
    for (const std::string& nome :
         {nome_file_linea(linea_esempio), nome_file_treno(linea_esempio, treno_esempio)}) {
        const std::string p = percorso_in(cartella, nome);
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(path_from_utf8(p), ec)))
            presenti.push_back(p);
    }
    return presenti;
}

std::string elenco(const std::vector<std::string>& percorsi) {
    std::string testo;
    for (size_t i = 0; i < percorsi.size(); ++i)
        testo += (i == 0 ? "'" : i + 1 == percorsi.size() ? " and '" : ", '") + percorsi[i] + "'";
    return testo;
}

struct opzioni_example {
    std::string cartella;
    bool attendi = true;
    bool forza = false;
};

int esegui_example(const opzioni_example& o) {
    if (!folder_exists(o.cartella)) {
        std::fprintf(stderr, "binario example: folder '%s' does not exist\n", o.cartella.c_str());
        return exit_usage;
    }
    try {
        opzioni_blocco b;
        b.attendi = o.attendi;
        const auto blocco = prendi_cartella(o.cartella, b);
        const std::vector<std::string> presenti = file_presenti(o.cartella);
        if (!o.forza && !presenti.empty()) {
            std::fprintf(stderr,
                         "binario example: %s already %s; nothing was written (--force "
                         "replaces %s)\n",
                         elenco(presenti).c_str(), presenti.size() == 1 ? "exists" : "exist",
                         presenti.size() == 1 ? "it" : "them");
            return exit_exists;
        }
        dati_linea(o.cartella, linea_esempio);
        dati_treno(o.cartella, linea_esempio, treno_esempio);
    } catch (const cartella_occupata&) {
        std::fprintf(stderr, "binario example: '%s' is in use by another writer (--no-wait)\n",
                     o.cartella.c_str());
        return exit_busy;
    } catch (const file_error& e) {
        std::fprintf(stderr, "binario example: %s\n", e.what());
        return exit_io;
    }
    return exit_ok;
}

}  // namespace

void registra_example(CLI::App& app, elenco_azioni& azioni) {
    auto o = std::make_shared<opzioni_example>();
    CLI::App* cmd = app.add_subcommand(
        "example", "Write the built-in line and train description files into DIR, as templates.");
    cmd->add_option("DIR", o->cartella, "Existing folder to write into")->required();
    cmd->add_flag("--force", o->forza,
                  "Replace the two files when DIR already holds them (by default an existing "
                  "file is never replaced, as it may hold an author's edits)");
    cmd->add_flag_callback(
        "--no-wait", [o] { o->attendi = false; },
        "When another run is writing into DIR, fail at once (exit 75) instead of waiting");
    cmd->footer(
        "Example: binario example my_line\n"
        "  writes 'my_line/Lavena_Torre Alta_linea.txt' and 'my_line/Lavena_Torre Alta_A 1-.txt'\n"
        "Exit status: 0 written; 64 bad command line, or DIR does not exist; 73 DIR already\n"
        "holds one of the files and --force was not given (nothing written); 74 a file cannot\n"
        "be written; 75 DIR is in use and --no-wait was given.");
    cmd->callback([o, &azioni] { azioni.push_back([o]() -> int { return esegui_example(*o); }); });
}

}  // namespace binario
