// binario render: draws a scenario as an SVG picture, either from its two
// description files (compiled in memory: nothing is written but the picture, and
// the description files are left as they are) or from a folder of compiled files.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/app.h"
#include "cli/commands.h"
#include "cli/compiled_set.h"
#include "common/file_names.h"
#include "common/file_replace.h"
#include "common/folder_exists.h"
#include "common/set_journal.h"
#include "formats/compiled_limits.h"
#include "formats/compiled_reader.h"
#include "formats/plan_shape.h"
#include "platform/utf8_paths.h"
#include "render/render_svg.h"
#include "run/diagnostics_report.h"
#include "service/compile_service.h"
#include "service/scenario_names.h"

namespace binario {

namespace {

constexpr double quota_massima = 1000000.0;

struct opzioni_render {
    std::string file_linea, file_treno;  // LINE TRAIN
    std::string compilati;               // --compiled DIR
    std::string linea, treno;            // --linea, --treno
    double quota_iniziale = 0.0;
    std::string uscita;
};

// A failure that ends the command with a message and an exit status.
struct uscita_anticipata {
    int stato;
};

[[noreturn]] __attribute__((format(printf, 2, 3))) void fallisci(int stato, const char* formato,
                                                                 ...) {
    std::fputs("binario render: ", stderr);
    va_list argomenti;
    va_start(argomenti, formato);
    std::vfprintf(stderr, formato, argomenti);
    va_end(argomenti);
    std::fputc('\n', stderr);
    throw uscita_anticipata{stato};
}

// --- From the description files ---------------------------------------------------------

// A description file that is missing or cannot be read ends the command.
void fallisci_se_illeggibile(const std::string& percorso, const source_status& s) {
    if (s.state == sorgente::stato::assente)
        fallisci(exit_io, "cannot read '%s': %s", percorso.c_str(), std::strerror(ENOENT));
    if (s.state == sorgente::stato::illeggibile)
        fallisci(s.too_large ? exit_bad_data : exit_io, "cannot read '%s': %s", percorso.c_str(),
                 s.reason.c_str());
}

std::string svg_da_sorgenti(const opzioni_render& o, modello& m, std::vector<std::string>& letti) {
    const std::string& file_linea = o.file_linea;
    const std::string& file_treno = o.file_treno;
    compile_request r;
    r.line_file = {file_linea, base_name(file_linea), {}};
    r.train_file = {file_treno, base_name(file_treno), {}};
    if (!o.linea.empty()) r.line_name = o.linea;
    if (!o.treno.empty()) r.train_code = o.treno;
    compile_result esito = compile_scenario(r);
    fallisci_se_illeggibile(file_linea, esito.line_source);
    fallisci_se_illeggibile(file_treno, esito.train_source);
    if (esito.fault) {
        if (esito.fault->what == request_fault::kind::line_name_unknown)
            fallisci(exit_usage,
                     "cannot tell the line name from '%s' (expected NAME_linea.txt); pass --linea "
                     "NAME",
                     file_linea.c_str());
        if (esito.fault->what == request_fault::kind::train_code_unknown)
            fallisci(exit_usage,
                     "cannot tell the train code from '%s' (expected %s_CODE-.txt); pass --treno "
                     "CODE",
                     file_treno.c_str(), esito.line_name.c_str());
        fallisci(exit_usage, "%s", esito.fault->message.c_str());
    }
    letti = {file_linea, file_treno};
    m = std::move(esito.model);

    if (esito.stop) {
        stampa_diagnostiche(m, stderr);
        fallisci(exit_stopped, "the compile stopped with error %d; nothing drawn",
                 static_cast<int>(esito.stop->numero));
    }
    if (!esito.cells_built) {
        stampa_diagnostiche(m, stderr);
        fallisci(exit_faults,
                 "the compile of '%s' built no cells (see the faults above); nothing drawn",
                 file_linea.c_str());
    }
    // Faults leave a model that is still drawn, as its compiled files would be
    // written; they are reported after the picture.
    return disegna_svg({m.celle, m.tabella, m.planimetria}, {o.quota_iniziale});
}

// --- From compiled files ----------------------------------------------------------------------

scenario_trovato scegli_scenario(const opzioni_render& o) {
    try {
        return binario::scegli_scenario(o.compilati, o.linea, o.treno);
    } catch (const errore_ricerca& e) {
        fallisci(e.stato, "%s", e.messaggio.c_str());
    }
}

std::string leggi_compilato(const std::string& percorso, const char* tipo, bool facoltativo,
                            bool& assente) {
    assente = false;
    try {
        return leggi_file(percorso, byte_massimi_compilato(tipo));
    } catch (const file_troppo_grande&) {
        fallisci(
            exit_bad_data, "'%s': larger than any %s file the compiler writes (%llu bytes at most)",
            percorso.c_str(), tipo, static_cast<unsigned long long>(byte_massimi_compilato(tipo)));
    } catch (const file_error& e) {
        std::error_code ec;
        if (facoltativo && !std::filesystem::exists(path_from_utf8(percorso), ec) && !ec) {
            assente = true;
            return {};
        }
        fallisci(exit_io, "cannot read '%s': %s", percorso.c_str(), e.motivo().c_str());
    }
}

template <typename T>
T decodificato(esito_decodifica<T> esito, const std::string& percorso, const char* tipo) {
    if (!esito.valido())
        fallisci(exit_bad_data, "'%s': malformed %s file at byte %zu: %s", percorso.c_str(), tipo,
                 esito.errore->offset, esito.errore->motivo.c_str());
    return std::move(esito.dati);
}

std::string svg_da_compilati(const opzioni_render& o, std::vector<std::string>& letti) {
    if (!folder_exists(o.compilati))
        fallisci(exit_usage, "folder '%s' does not exist", o.compilati.c_str());
    const scenario_trovato s = scegli_scenario(o);
    const std::string p_tabella = percorso_in(o.compilati, nome_file_tabella(s.linea, s.treno));
    const std::string p_celle = percorso_in(o.compilati, nome_file_celle(s.linea, s.treno));
    const std::string p_piano = percorso_in(o.compilati, nome_file_piano(s.linea));
    letti = {p_tabella, p_celle, p_piano};
    // A writer killed half-way may have left a mix of two sets: drawn, it would
    // show neither.
    if (giornale_presente(o.compilati))
        fallisci(exit_bad_data,
                 "the compiled files in '%s' do not form one set: a write into it was cut short; "
                 "run 'binario recover %s' (or compile again) first",
                 o.compilati.c_str(), o.compilati.c_str());
    bool assente = false;
    const auto tabella =
        decodificato(decodifica_tabella(leggi_compilato(p_tabella, "table", false, assente)),
                     p_tabella, "table");
    const auto celle = decodificato(
        decodifica_celle(leggi_compilato(p_celle, "cells", false, assente)), p_celle, "cell");
    // A scenario compiled without its plan has no plan file: it is drawn without.
    planimetria_metrica piano;
    const std::string dati_piano = leggi_compilato(p_piano, "plan", true, assente);
    if (assente)
        std::fprintf(stderr, "binario render: no plan file '%s'; the picture has no track plan\n",
                     p_piano.c_str());
    else {
        auto esito = decodifica_piano(dati_piano);
        if (esito.valido())
            if (auto forma = controlla_forma_piano(esito.dati)) esito.errore = std::move(forma);
        piano = decodificato(std::move(esito), p_piano, "plan");
    }
    return disegna_svg({celle, tabella, piano}, {o.quota_iniziale});
}

// '-o -' writes the picture to standard output ('./-' names a file "-").
constexpr const char* uscita_standard = "-";

void scrivi_su_uscita_standard(const std::string& svg) {
    errno = 0;
    const size_t scritti = std::fwrite(svg.data(), 1, svg.size(), stdout);
    if (scritti != svg.size() || std::fflush(stdout) != 0)
        fallisci(exit_io, "cannot write to standard output: %s",
                 errno != 0 ? std::strerror(errno) : "write failed");
}

int esegui_render(const opzioni_render& o) {
    try {
        const bool da_sorgenti = !o.file_linea.empty();
        if (da_sorgenti == !o.compilati.empty())
            fallisci(exit_usage,
                     "give either the two description files LINE TRAIN or --compiled DIR");
        if (da_sorgenti && o.file_treno.empty())
            fallisci(exit_usage, "give both description files: LINE TRAIN");
        if (!std::isfinite(o.quota_iniziale) || std::fabs(o.quota_iniziale) > quota_massima)
            fallisci(exit_usage, "--start-height must be a number of metres from -%.0f to %.0f",
                     quota_massima, quota_massima);

        modello m;
        std::vector<std::string> letti;
        const std::string svg =
            da_sorgenti ? svg_da_sorgenti(o, m, letti) : svg_da_compilati(o, letti);
        if (o.uscita == uscita_standard) {
            scrivi_su_uscita_standard(svg);
        } else {
            // The picture never takes the place of a file it was drawn from.
            for (const std::string& letto : letti) {
                std::error_code ec;
                if (std::filesystem::equivalent(path_from_utf8(o.uscita), path_from_utf8(letto),
                                                ec))
                    fallisci(exit_usage, "the output '%s' is the input '%s'; choose another file",
                             o.uscita.c_str(), letto.c_str());
            }
            try {
                sostituisci_file(o.uscita, svg);
            } catch (const file_error& e) {
                fallisci(exit_io, "cannot write '%s': %s", e.percorso().c_str(),
                         e.motivo().c_str());
            }
        }
        if (m.errore_numero != 0 || !m.diagnostiche.empty()) {
            stampa_diagnostiche(m, stderr);
            return m.errore_numero != 0 ? exit_faults : exit_ok;
        }
        return exit_ok;
    } catch (const uscita_anticipata& u) {
        return u.stato;
    }
}

}  // namespace

void registra_render(CLI::App& app, elenco_azioni& azioni) {
    auto o = std::make_shared<opzioni_render>();
    CLI::App* cmd = app.add_subcommand(
        "render", "Draw a scenario as an SVG picture: the track plan and the profile.");
    cmd->add_option("LINE", o->file_linea,
                    "Line description file, compiled in memory with TRAIN (both are only read; "
                    "nothing but the picture is written)");
    cmd->add_option("TRAIN", o->file_treno, "Train description file");
    cmd->add_option("--compiled", o->compilati,
                    "Folder of compiled files to draw instead; the scenario is the one found "
                    "there (NAME_CODE.sim beside NAME_CODE.dat and NAME_linea.dat)");
    cmd->add_option("--linea", o->linea,
                    "Line name; by default from LINE's name (NAME_linea.txt) or from the "
                    "compiled files found");
    cmd->add_option("--treno", o->treno,
                    "Train code; by default from TRAIN's name (NAME_CODE-.txt) or from the "
                    "compiled files found");
    cmd->add_option("--start-height", o->quota_iniziale,
                    "Height in metres at chainage 0 for the profile (default 0)");
    cmd->add_option("-o,--output", o->uscita,
                    "SVG file to write (replaced whole); '-' writes the picture to standard "
                    "output")
        ->required();
    cmd->footer(
        "The picture is drawn only from what the compiled files carry (cells, table, plan),\n"
        "so both ways give the same picture for the same scenario. The profile's height is\n"
        "the sum of the cells' gradients over 50 m each, up to the line's length.\n"
        "Exit status: 0 picture written; 1 the compile recorded faults (picture written, the\n"
        "faults listed) or the line file gives no length (nothing written); 2 the compile\n"
        "stopped (nothing written); 64 usage; 65 malformed compiled file; 74 a file cannot\n"
        "be read or written.\n"
        "Example: binario render \"src/Lavena_Torre Alta_linea.txt\" \"src/Lavena_Torre "
        "Alta_A 1-.txt\" -o line.svg\n"
        "Example: binario render --compiled out -o line.svg\n"
        "Example: binario render --compiled out -o - | gzip > line.svgz");
    cmd->callback([o, &azioni] { azioni.push_back([o]() -> int { return esegui_render(*o); }); });
}

}  // namespace binario
