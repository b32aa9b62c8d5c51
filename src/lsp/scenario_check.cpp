#include "lsp/scenario_check.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/windows_1252.h"
#include "platform/utf8_paths.h"
#include "service/compile_service.h"
#include "service/scenario_names.h"
#include "service/source_files.h"

namespace binario::lsp {

namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = last_separator(path);
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string in_folder(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// The names of the regular files of a folder, sorted; empty when it cannot be read.
std::vector<std::string> files_in(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path_from_utf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code ec_type;
        if (it->is_regular_file(ec_type)) names.push_back(path_to_utf8(it->path().filename()));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The candidates for the partner of `path`: open documents of its folder first,
// then the folder's files.
std::vector<std::string> candidates(const std::string& path, const document_store& docs) {
    const std::string folder = folder_of(path);
    std::vector<std::string> paths;
    for (const auto& [uri, d] : docs.all())
        if (!d.path.empty() && d.path != path && folder_of(d.path) == folder)
            paths.push_back(d.path);
    for (const std::string& name : files_in(folder)) {
        const std::string p = in_folder(folder, name);
        if (p != path && std::find(paths.begin(), paths.end(), p) == paths.end())
            paths.push_back(p);
    }
    return paths;
}

}  // namespace

std::string editor_text_as_1252(const std::string& utf8) {
    return utf8_to_windows_1252(utf8, '?');
}

std::string buffer_as_compiled(const std::string& utf8, const std::string& on_disk) {
    bool beyond_ascii = false;
    for (char ch : on_disk) beyond_ascii = beyond_ascii || static_cast<unsigned char>(ch) >= 0x80;
    const bool windows_1252_file = beyond_ascii && !reads_as_utf8(on_disk);
    return windows_1252_file ? editor_text_as_1252(utf8) : utf8;
}

std::string shown_text(const std::string& bytes) {
    if (!reads_as_utf8(bytes)) return windows_1252_to_utf8(bytes);
    // The editor does not show a byte-order mark, nor count it in the columns.
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
}

std::optional<scenario_pair> scenario_of(const std::string& path, const document_store& docs) {
    if (auto linea = linea_da_nome_file(path)) {
        scenario_pair p;
        p.line_path = path;
        p.line_name = *linea;
        for (const std::string& c : candidates(path, docs)) {
            if (auto treno = treno_da_nome_file(c, *linea)) {
                p.train_path = c;
                p.train_code = *treno;
                break;
            }
        }
        return p;
    }
    // A train file: the line name is the longest NAME of a line file beside it
    // for which the train file's name reads NAME_CODE-.txt.
    std::optional<scenario_pair> best;
    for (const std::string& c : candidates(path, docs)) {
        auto linea = linea_da_nome_file(c);
        if (!linea) continue;
        auto treno = treno_da_nome_file(path, *linea);
        if (!treno || (best && best->line_name.size() >= linea->size())) continue;
        best = scenario_pair{c, path, *linea, *treno};
    }
    return best;
}

scenario_result check_scenario(const scenario_pair& pair, const document_store& docs) {
    // The request 'binario check' makes, with the open buffers' texts in memory.
    const auto input = [&](const std::string& path) {
        source_input in;
        in.path = path;
        in.name = path;
        if (const document* d = docs.find_path(path))
            in.text = buffer_as_compiled(d->text, leggi_sorgente(path, path).testo);
        return in;
    };
    compile_request request;
    request.line_file = input(pair.line_path);
    // A line file alone: a train file that does not exist, whose faults are not shown.
    request.train_file = input(pair.train_path.empty()
                                   ? pair.line_path.substr(0, pair.line_path.size() - 10) + "_-.txt"
                                   : pair.train_path);
    request.line_name = pair.line_name;
    request.train_code = pair.train_path.empty() ? std::string("-") : pair.train_code;
    compile_result c = compile_scenario(request);

    scenario_result r;
    if (c.fault) {
        // A name the compile cannot take: told on the line file's first line.
        diagnostica d;
        d.file = pair.line_path;
        d.messaggio = c.fault->message;
        r.diagnostics.push_back(d);
    }
    for (const source_status* s : {&c.line_source, &c.train_source}) {
        if (s->state != sorgente::stato::illeggibile) continue;
        diagnostica d;
        d.file = pair.line_path;
        d.messaggio = "cannot read '" + s->name + "': " + s->reason;
        r.diagnostics.push_back(d);
    }
    if (c.fault) return r;
    for (diagnostica& d : c.model.diagnostiche) r.diagnostics.push_back(std::move(d));
    if (c.stop) r.diagnostics.push_back(*c.stop);
    r.cells_built = c.cells_built;
    r.celle = std::move(c.model.celle);
    r.tabella = c.model.tabella;
    r.ultima_cella = c.model.ultima_cella;
    // Ranges are counted on the text the editor shows: its own for an open buffer.
    const auto shown = [&](const std::string& path) {
        const document* d = path.empty() ? nullptr : docs.find_path(path);
        if (d != nullptr) return d->text;
        const sorgente s = path.empty() ? sorgente{} : leggi_sorgente(path, path);
        return shown_text(s.testo);
    };
    r.line_text = shown(pair.line_path);
    r.train_text = shown(pair.train_path);
    return r;
}

}  // namespace binario::lsp
