// binario_lsp_bench: the language server's latency from a didChange to the
// publishDiagnostics it causes, on the built-in scenario and on the generated
// 1000 km one, and its memory over 10,000 edits. The server runs in process, as
// `binario lsp` runs it, with both files open in the "editor" and on disk.
//   binario_lsp_bench [EDITS]   (EDITS for the memory run, default 10000)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "common/file_names.h"
#include "common/text_file_writer.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "lsp/document_store.h"
#include "lsp/language_server.h"
#include "lsp/message_framing.h"
#include "scenario_generator.h"
#include "service/compile_service.h"

namespace {

using namespace binario;
using clock_type = std::chrono::steady_clock;

std::string message(const nlohmann::json& j) {
    return lsp::frame(j.dump());
}

long resident_kib() {
    std::ifstream f("/proc/self/statm");
    long pages = 0, resident = 0;
    f >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

struct scenario_on_disk {
    std::string line_path, train_path, line_text, train_text;
};

scenario_on_disk write_scenario(const std::string& folder, const scenario_generato& s) {
    scenario_on_disk d;
    d.line_path = folder + "/" + nome_file_linea(s.linea);
    d.train_path = folder + "/" + nome_file_treno(s.linea, s.treno);
    d.line_text = s.testo_linea;
    d.train_text = s.testo_treno;
    std::ofstream(d.line_path, std::ios::binary) << s.testo_linea;
    std::ofstream(d.train_path, std::ios::binary) << s.testo_treno;
    return d;
}

struct session {
    lsp::language_server server;
    bool published = false;
    std::string watched_uri;
    clock_type::time_point at;

    session()
        : server([this](const std::string& m) {
              if (!published && m.find("publishDiagnostics") != std::string::npos &&
                  m.find(watched_uri) != std::string::npos) {
                  published = true;
                  at = clock_type::now();
              }
          }) {}
};

nlohmann::json open_message(const std::string& path, const std::string& text) {
    return {
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didOpen"},
        {"params",
         {{"textDocument", {{"uri", lsp::uri_of_path(path)}, {"version", 1}, {"text", text}}}}}};
}

// The editor's text alternates between the file and the file with one record's
// keyword mistyped, so that every edit changes the diagnostics.
std::vector<double> edit_latencies(const scenario_on_disk& d, int edits, bool report_memory) {
    session s;
    s.server.receive(message({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}}) +
                     message(open_message(d.line_path, d.line_text)) +
                     message(open_message(d.train_path, d.train_text)));
    std::string typo = d.train_text;
    const size_t at = typo.find("segnale");
    if (at != std::string::npos) typo.replace(at, 7, "segnalr");
    s.watched_uri = nlohmann::json(lsp::uri_of_path(d.train_path)).dump();
    s.watched_uri = s.watched_uri.substr(1, s.watched_uri.size() - 2);
    std::vector<double> ms;
    long rss_early = 0;
    for (int i = 0; i < edits; ++i) {
        const std::string m = message(
            {{"jsonrpc", "2.0"},
             {"method", "textDocument/didChange"},
             {"params",
              {{"textDocument", {{"uri", lsp::uri_of_path(d.train_path)}, {"version", i + 2}}},
               {"contentChanges", {{{"text", i % 2 == 0 ? typo : d.train_text}}}}}}});
        s.published = false;
        const auto start = clock_type::now();
        s.server.receive(m);
        if (!s.published) {
            std::fprintf(stderr, "no diagnostics published for edit %d\n", i);
            std::exit(1);
        }
        ms.push_back(std::chrono::duration<double, std::milli>(s.at - start).count());
        if (report_memory && i + 1 == 1000) rss_early = resident_kib();
    }
    if (report_memory)
        std::printf("  resident memory after 1000 edits %ld KiB, after %d edits %ld KiB\n",
                    rss_early, edits, resident_kib());
    return ms;
}

void report(const char* name, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms[static_cast<size_t>(q * (ms.size() - 1))]; };
    std::printf(
        "%-14s didChange -> publishDiagnostics: median %.2f ms, p95 %.2f ms, max %.2f ms "
        "(%zu edits)\n",
        name, at(0.5), at(0.95), ms.back(), ms.size());
}

double compile_ms(const scenario_on_disk& d, bool plan) {
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
        compile_request r;
        r.line_file.path = d.line_path;
        r.line_file.text = d.line_text;
        r.train_file.path = d.train_path;
        r.train_file.text = d.train_text;
        r.build_plan = plan;
        const auto start = clock_type::now();
        compile_result c = compile_scenario(r);
        ms.push_back(std::chrono::duration<double, std::milli>(clock_type::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int edits = argc > 1 ? std::atoi(argv[1]) : 10000;
    char pattern[] = "/tmp/binario-lsp-bench.XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 74;
    const std::string folder = pattern;

    scenario_generato builtin;
    builtin.linea = "Lavena_Torre Alta";
    builtin.treno = "A 1";
    builtin.testo_linea = componi_righe(righe_linea());
    builtin.testo_treno = componi_righe(righe_treno());
    std::filesystem::create_directory(folder + "/builtin");
    std::filesystem::create_directory(folder + "/gen");
    const scenario_on_disk b = write_scenario(folder + "/builtin", builtin);
    const scenario_on_disk g = write_scenario(folder + "/gen", genera_scenario(1000000));

    report("built-in", edit_latencies(b, 200, false));
    report("1000 km", edit_latencies(g, 20, false));
    std::printf(
        "compile alone, median of 5: built-in %.2f ms with the plan, %.2f ms without; "
        "1000 km %.2f ms with, %.2f ms without\n",
        compile_ms(b, true), compile_ms(b, false), compile_ms(g, true), compile_ms(g, false));
    std::printf("memory over %d edits of the built-in scenario:\n", edits);
    report("built-in", edit_latencies(b, edits, true));
    std::filesystem::remove_all(folder);
    return 0;
}
