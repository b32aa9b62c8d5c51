// The compile stages in process, on the built-in scenario and on generated ones of
// 34, 340 and 1000 km: load, code placement with stamping, serialisation of the
// three compiled files, the whole compile, and the files written to a folder.
// Every benchmark reports "s_per_m", its time per metre of line.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/file_names.h"
#include "common/text_file_writer.h"
#include "compiler/code_placement.h"
#include "compiler/competition_codes.h"
#include "compiler/compile_driver.h"
#include "compiler/scenario_loader.h"
#include "content/builtin_line.h"
#include "content/builtin_train.h"
#include "formats/compiled_files.h"
#include "scenario_generator.h"
#include "service/compiled_output.h"

namespace binario {
namespace {

struct caso {
    std::string nome;
    scenario_generato scenario;
    sorgente linea;
    sorgente treno;
};

sorgente da_testo(std::string nome, std::string testo) {
    sorgente s;
    s.stato_file = sorgente::stato::letto;
    s.nome = std::move(nome);
    s.testo = std::move(testo);
    return s;
}

caso prepara(std::string nome, scenario_generato s) {
    const std::string guasto = verifica_scenario(s);
    if (!guasto.empty()) {
        std::fprintf(stderr, "binario_bench: scenario %s does not compile cleanly: %s\n",
                     nome.c_str(), guasto.c_str());
        std::exit(1);
    }
    caso c;
    c.nome = std::move(nome);
    c.linea = da_testo(s.linea + "_linea.txt", s.testo_linea);
    c.treno = da_testo(s.linea + "_" + s.treno + "-.txt", s.testo_treno);
    c.scenario = std::move(s);
    return c;
}

const std::vector<caso>& casi() {
    static const std::vector<caso> tutti = [] {
        std::vector<caso> v;
        scenario_generato interno;
        interno.linea = "Lavena_Torre Alta";
        interno.treno = "A 1";
        interno.lunghezza = 34100;
        interno.testo_linea = componi_righe(righe_linea());
        interno.testo_treno = componi_righe(righe_treno());
        v.push_back(prepara("builtin", std::move(interno)));
        v.push_back(prepara("gen_34km", genera_scenario(34000)));
        v.push_back(prepara("gen_340km", genera_scenario(340000)));
        v.push_back(prepara("gen_1000km", genera_scenario(1000000)));
        return v;
    }();
    return tutti;
}

modello nuovo_modello(const caso& c) {
    modello m;
    m.linea = c.scenario.linea;
    m.treno = c.scenario.treno;
    return m;
}

// Seconds per metre of line, from the time of the iterations.
void per_metro(benchmark::State& st, const caso& c) {
    st.counters["s_per_m"] = benchmark::Counter(
        static_cast<double>(c.scenario.lunghezza),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The loader alone, on a fresh model as the compile driver leaves it.
void carica(benchmark::State& st, const caso* c) {
    for (auto _ : st) {
        modello m = nuovo_modello(*c);
        m.compila_planimetria = 1;
        file_consumati f = memorizza_dati(m, c->linea, c->treno);
        benchmark::DoNotOptimize(f);
        benchmark::DoNotOptimize(m.celle.data());
    }
    per_metro(st, *c);
}

// Code placement and stamping, each iteration on the cells and table as the
// loader left them (restored outside the timing).
void posiziona_e_timbra(benchmark::State& st, const caso* c) {
    modello m = nuovo_modello(*c);
    m.compila_planimetria = 1;
    memorizza_dati(m, c->linea, c->treno);
    const std::vector<cella> celle = m.celle;
    const auto tabella = m.tabella;
    for (auto _ : st) {
        st.PauseTiming();
        m.celle = celle;
        m.tabella = tabella;
        st.ResumeTiming();
        posiziona_codici(m);
        benchmark::DoNotOptimize(timbra_codici(m));
    }
    per_metro(st, *c);
}

// The whole compile: reset, load, placement, stamping; nothing written.
void compila(benchmark::State& st, const caso* c) {
    for (auto _ : st) {
        modello m = nuovo_modello(*c);
        esito_compilazione e = compila_modello(m, 1, c->linea, c->treno);
        benchmark::DoNotOptimize(e);
    }
    per_metro(st, *c);
}

modello compilato(const caso& c) {
    modello m = nuovo_modello(c);
    compila_modello(m, 1, c.linea, c.treno);
    return m;
}

// The three compiled files serialised to memory as the writer does it: the plan a
// block at a time into one reused buffer, the table and the cells whole.
void serializza(benchmark::State& st, const caso* c) {
    const modello m = compilato(*c);
    int64_t byte = 0;
    for (auto _ : st) {
        serializza_piano_a_blocchi(m, 256 * 1024, [&byte](std::string_view b) {
            benchmark::DoNotOptimize(b.data());
            byte += static_cast<int64_t>(b.size());
        });
        std::string tabella = serializza_tabella(m);
        std::string celle = serializza_celle(m);
        byte += static_cast<int64_t>(tabella.size() + celle.size());
        benchmark::DoNotOptimize(tabella.data());
        benchmark::DoNotOptimize(celle.data());
    }
    st.SetBytesProcessed(byte);
    per_metro(st, *c);
}

// The plan file as one string, as the tests and the inspect command take it.
void serializza_piano_intero(benchmark::State& st, const caso* c) {
    const modello m = compilato(*c);
    for (auto _ : st) {
        std::string piano = serializza_piano(m);
        benchmark::DoNotOptimize(piano.data());
    }
    per_metro(st, *c);
}

// The three files serialised and written into a folder as one set.
void scrivi(benchmark::State& st, const caso* c) {
    const modello m = compilato(*c);
    const std::filesystem::path cartella =
        std::filesystem::temp_directory_path() / ("binario_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(cartella);
    for (auto _ : st) {
        auto scritti = scrivi_file_compilati(m, cartella.string());
        benchmark::DoNotOptimize(scritti.data());
    }
    std::filesystem::remove_all(cartella);
    per_metro(st, *c);
}

// The whole compile as the compile command does it: the plan file written while the
// plan is computed, then the set renamed into place.
void compila_e_scrivi(benchmark::State& st, const caso* c) {
    const std::filesystem::path cartella =
        std::filesystem::temp_directory_path() / ("binario_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(cartella);
    for (auto _ : st) {
        modello m = nuovo_modello(*c);
        scrittura_piano_anticipata anticipata(
            percorso_in(cartella.string(), nome_file_piano(m.linea)));
        compila_modello(m, 1, c->linea, c->treno, &anticipata);
        auto scritti = scrivi_file_compilati(m, cartella.string(), system_file_ops(), &anticipata);
        benchmark::DoNotOptimize(scritti.data());
    }
    std::filesystem::remove_all(cartella);
    per_metro(st, *c);
}

void registra() {
    for (const caso& c : casi()) {
        const caso* p = &c;
        benchmark::RegisterBenchmark(("carica/" + c.nome).c_str(), carica, p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("posiziona_e_timbra/" + c.nome).c_str(), posiziona_e_timbra,
                                     p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("serializza/" + c.nome).c_str(), serializza, p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("serializza_piano_intero/" + c.nome).c_str(),
                                     serializza_piano_intero, p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("compila/" + c.nome).c_str(), compila, p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("scrivi/" + c.nome).c_str(), scrivi, p)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("compila_e_scrivi/" + c.nome).c_str(), compila_e_scrivi, p)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

}  // namespace
}  // namespace binario

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    binario::registra();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
