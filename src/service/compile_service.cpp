#include "service/compile_service.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

#include "common/file_names.h"
#include "common/folder_exists.h"
#include "common/windows_1252.h"
#include "compiler/compile_driver.h"
#include "compiler/format_facts.h"
#include "platform/utf8_paths.h"
#include "service/compiled_output.h"
#include "service/plan_stream.h"
#include "service/scenario_names.h"
#include "service/source_files.h"

namespace binario {
namespace {

std::string quoted(const std::string& s) {
    return "'" + s + "'";
}

request_fault fault(request_fault::kind what, std::string message) {
    return request_fault{what, std::move(message)};
}

// The names of the request, or those its file names give.
std::optional<request_fault> derive_names(const compile_request& r, compile_result& out) {
    if (r.line_name) {
        out.line_name = *r.line_name;
    } else if (auto l = linea_da_nome_file(r.line_file.path)) {
        out.line_name = *l;
    } else {
        return fault(request_fault::kind::line_name_unknown,
                     "cannot tell the line name from " + quoted(base_name(r.line_file.path)) +
                         ": the file name does not end in '_linea.txt'; give the line name "
                         "with --linea NAME");
    }
    if (r.train_code) {
        out.train_code = *r.train_code;
    } else if (auto t = treno_da_nome_file(r.train_file.path, out.line_name)) {
        out.train_code = *t;
    } else {
        return fault(request_fault::kind::train_code_unknown,
                     "cannot tell the train code from " + quoted(base_name(r.train_file.path)) +
                         ": the file name does not have the form " +
                         quoted(nome_file_treno(out.line_name, "CODE")) +
                         "; give the train code with --treno CODE");
    }
    return std::nullopt;
}

// The line name or the train code names the compiled files and goes into the
// table in Windows-1252: returns that form, or why the name cannot serve.
std::optional<request_fault> table_name(const std::string& name, const char* what,
                                        const char* option, std::string& windows_1252) {
    if (name.empty())
        return fault(request_fault::kind::bad_name,
                     std::string("the ") + what + " given with " + option + " is empty");
    if (name.find('/') != std::string::npos)
        return fault(request_fault::kind::bad_name, std::string("the ") + what + " " +
                                                        quoted(name) +
                                                        " contains '/', which cannot stand in a "
                                                        "file name");
    auto w = utf8_to_windows_1252(name);
    if (!w)
        return fault(request_fault::kind::bad_name,
                     std::string("the ") + what + " " + quoted(name) +
                         " has a character that Windows-1252 cannot hold; the compiled table "
                         "keeps names in Windows-1252");
    windows_1252 = std::move(*w);
    return std::nullopt;
}

// The output folder as given, without trailing slashes ("out/" writes "out/NAME").
std::string folder_of(const std::string& given) {
    std::string folder = given;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// The output paths for the names, in the order the compiled files are written.
std::vector<std::string> output_paths(bool plan, const std::string& folder,
                                      const std::string& linea, const std::string& treno) {
    std::vector<std::string> p;
    if (plan) p.push_back(percorso_in(folder, nome_file_piano(linea)));
    p.push_back(percorso_in(folder, nome_file_tabella(linea, treno)));
    p.push_back(percorso_in(folder, nome_file_celle(linea, treno)));
    return p;
}

// The user's files are never replaced by compiled ones.
std::optional<request_fault> check_output_folder(const compile_request& r,
                                                 const std::string& folder,
                                                 const compile_result& out) {
    if (!folder_exists(folder))
        return fault(
            request_fault::kind::no_output_folder,
            "the output folder " + quoted(*r.output_folder) + " does not exist or is not a folder");
    for (const std::string& output :
         output_paths(r.build_plan, folder, out.line_name, out.train_code)) {
        // A compiled file not there yet is no input (one look instead of two).
        std::error_code ec;
        if (!std::filesystem::exists(path_from_utf8(output), ec)) continue;
        for (const source_input* input : {&r.line_file, &r.train_file}) {
            if (std::filesystem::equivalent(path_from_utf8(output), path_from_utf8(input->path),
                                            ec))
                return fault(request_fault::kind::output_is_input,
                             "the compiled file " + quoted(output) +
                                 " would replace the input file " + quoted(input->path) +
                                 "; choose another --out folder");
        }
    }
    return std::nullopt;
}

// An output path taken by something that is not a file (a folder, a device) would
// fail only after other files of the set had replaced theirs: refuse it first.
std::optional<io_failure> check_outputs(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) {
        std::error_code ec;
        const auto status = std::filesystem::status(path_from_utf8(p), ec);
        if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status))
            continue;
        return io_failure{p, std::filesystem::is_directory(status)
                                 ? std::generic_category().message(EISDIR)
                                 : std::string("not a regular file")};
    }
    return std::nullopt;
}

sorgente read_source(const source_input& input, source_status& status) {
    const std::string& name = input.name.empty() ? input.path : input.name;
    sorgente s;
    if (input.text) {
        s.nome = name;
        s.testo = *input.text;
        s.stato_file = sorgente::stato::letto;
    } else {
        s = leggi_sorgente(input.path, name);
    }
    status = {s.stato_file, s.nome, s.motivo, s.troppo_grande};
    return s;
}

std::optional<io_failure> delete_file(const std::string& path) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        return io_failure{path, "cannot delete: " + std::string(std::strerror(errno))};
    return std::nullopt;
}

// How the stop's explanation names what a cell holds.
const char* event_name(uint8_t evento) {
    struct name {
        uint8_t evento;
        const char* text;
    };
    static constexpr name names[] = {
        {evento_segnale, "a signal"},
        {evento_fine_rallentamento, "a slowdown end board"},
        {evento_inizio_rallentamento, "a slowdown start board"},
        {evento_avviso_rallentamento, "a slowdown warning board"},
        {evento_passo_avviso, "a slowdown approach step"},
        {evento_indicatori_velocita, "speed indicator boards"},
        {evento_stazione, "a station mark"},
        {evento_galleria, "a tunnel mark"},
        {evento_codice, "a code mark"},
        {evento_codice_senza_valore, "a code mark without value"},
        {evento_cartello, "a direction board"},
    };
    for (const name& n : names)
        if (n.evento == evento) return n.text;
    return "an event";
}

// Why the code-stamping step stopped, in the words of the model it found.
std::string stop_explanation(const modello& m, int32_t numero) {
    const voce& riga_linea = m.tabella[binario::riga_linea];
    const cella& prima = m.celle.at(1);
    if (numero == errore_timbro_presente) {
        if (riga_linea.intero1 != 0)
            return "table row 85 already holds intero1 = " + std::to_string(riga_linea.intero1) +
                   ", the slot of the marker 610";
        return "cell 1 (the first 50 m of the line) already holds " +
               std::string(event_name(prima.evento)) +
               " with dato1 = " + std::to_string(prima.dato1) +
               ", but the compile keeps the first value of cell 1 for its marker 5121; move "
               "the record that falls into cell 1 further along the line";
    }
    if (riga_linea.codice != 0)
        return "table row 85 already holds codice = " + std::to_string(riga_linea.codice) +
               ", the slot of the competition code";
    return "cell 1 (the first 50 m of the line) already holds " +
           std::string(event_name(prima.evento)) + " with dato2 = " + std::to_string(prima.dato2) +
           ", but the compile keeps the second value of cell 1 for the competition code; move "
           "the record that falls into cell 1 further along the line";
}

const file_ops& ops_of(const compile_request& r) {
    return r.ops != nullptr ? *r.ops : system_file_ops();
}

// Writes the compiled set, all of it or none.
void write_set(const compile_request& r, const std::string& folder,
               scrittura_piano_anticipata* streamed, compile_result& out) {
    out.io_error = check_outputs(output_paths(r.build_plan, folder, out.line_name, out.train_code));
    if (out.io_error) return;
    try {
        out.written = scrivi_file_compilati(out.model, folder, ops_of(r), streamed);
    } catch (const errore_insieme& e) {
        out.io_error = io_failure{e.percorso(), e.motivo()};
        out.set_state = e.esito();
    } catch (const file_error& e) {
        out.io_error = io_failure{e.percorso(), e.motivo()};
    }
}

// Takes the output folder for this compile, or says why it cannot.
std::unique_ptr<blocco_cartella> take_folder(const compile_request& r, const std::string& folder,
                                             compile_result& out) {
    opzioni_blocco o;
    o.attendi = r.wait_for_folder;
    o.avviso_attesa = r.on_wait;
    try {
        return prendi_cartella(folder, o);
    } catch (const cartella_occupata&) {
        out.folder_busy = true;
    } catch (const file_error& e) {
        out.folder_error = io_failure{e.percorso(), e.motivo()};
    }
    return nullptr;
}

// The names as the table holds them, and the output folder as it is written to.
struct table_names {
    std::string linea, treno;  // Windows-1252
    std::string folder;        // without trailing slashes; empty when none
};

// Everything that can be refused before anything is compiled or written.
std::optional<request_fault> check_request(const compile_request& r, compile_result& out,
                                           table_names& names) {
    if (auto f = derive_names(r, out)) return f;
    if (auto f = table_name(out.line_name, "line name", "--linea", names.linea)) return f;
    if (auto f = table_name(out.train_code, "train code", "--treno", names.treno)) return f;
    if (!r.output_folder) return std::nullopt;
    names.folder = folder_of(*r.output_folder);
    return check_output_folder(r, names.folder, out);
}

// Steps of the compile proper, on the result's model.
esito_compilazione compile_model(const compile_request& r, const table_names& names,
                                 const sorgente& linea, const sorgente& treno,
                                 scrittura_piano_anticipata* plan_writer, compile_result& out) {
    modello& m = out.model;
    m.regole = r.diagnostics;
    m.linea = names.linea;
    m.treno = names.treno;
    const esito_compilazione esito =
        compila_modello(m, r.build_plan ? 1 : 0, linea, treno, plan_writer);
    // The table holds the names in Windows-1252; the file names stay as given.
    m.linea = out.line_name;
    m.treno = out.train_code;
    out.cells_built = esito.celle_create;
    if (esito.fermato != 0) {
        diagnostica d;
        d.numero = esito.fermato;
        d.messaggio = stop_explanation(m, esito.fermato);
        out.stop = std::move(d);
    }
    return esito;
}

// The one-shot run deletes the description files the loader consumed.
std::optional<io_failure> delete_consumed(const compile_request& r, const file_consumati& f) {
    if (f.linea && !r.line_file.text)
        if (auto e = delete_file(r.line_file.path)) return e;
    if (f.treno && !r.train_file.text) return delete_file(r.train_file.path);
    return std::nullopt;
}

// Whether the request's rule keeps back the set of a compile that can be written.
bool withheld_by_rule(const compile_request& r, const compile_result& out) {
    if (r.writes == write_rule::always) return false;
    if (!out.sources_present()) return true;
    if (r.writes == write_rule::incomplete) return false;
    const modello& m = out.model;
    if (m.errore_numero != 0 || m.conteggio.errori > 0) return true;
    return r.warnings_count_as_errors && m.conteggio.avvisi > 0;
}

}  // namespace

compile_result compile_scenario(const compile_request& r) {
    compile_result out;
    // The sources are read first, so that a caller can report a missing file
    // before a name it cannot tell.
    const sorgente linea = read_source(r.line_file, out.line_source);
    const sorgente treno = read_source(r.train_file, out.train_source);

    table_names names;
    out.fault = check_request(r, out, names);
    if (out.fault) return out;
    // The output folder is this compile's until it ends: another writer waits, or
    // this one does.
    std::unique_ptr<blocco_cartella> lock;
    if (r.output_folder) {
        lock = take_folder(r, names.folder, out);
        if (!lock) return out;
    }

    const bool writes = r.output_folder.has_value() && out.sources_readable();
    // The plan file is written while the plan is computed.
    std::optional<scrittura_piano_anticipata> streamed;
    if (writes && r.build_plan)
        streamed.emplace(output_paths(true, names.folder, out.line_name, out.train_code).front(),
                         ops_of(r));
    scrittura_piano_anticipata* plan_writer = streamed ? &*streamed : nullptr;
    const esito_compilazione esito = compile_model(r, names, linea, treno, plan_writer, out);

    if (r.delete_consumed_sources) {
        out.io_error = delete_consumed(r, esito.consumati);
        if (out.io_error) return out;
    }
    if (!writes || !esito.da_scrivere()) return out;
    out.withheld = withheld_by_rule(r, out);
    if (!out.withheld) write_set(r, names.folder, plan_writer, out);
    return out;
}

}  // namespace binario
