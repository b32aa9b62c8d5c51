// Replays every stored fuzz input through the fuzz targets' own entry code: the
// seeds in fuzz/corpus/<target>/ and every input that ever found a fault, kept in
// fuzz/regressions/<target>/. Under the asan preset the sanitizers watch them too.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_entries.h"
#include "test_support.h"

namespace binario {
namespace {

namespace fs = std::filesystem;

struct bersaglio {
    const char* nome;
    std::function<std::string(std::string_view)> prova;
    // Another target whose stored faults this one replays too: the long compile
    // builds the plan the short one leaves out.
    const char* anche = nullptr;
};

const bersaglio bersagli[] = {
    {"fuzz_item_reader", fuzz::prova_lettore_voci},
    {"fuzz_compile",
     [](std::string_view d) { return fuzz::prova_compilazione(d, fuzz::limiti_fuzz_corti); }},
    {"fuzz_compile_long", [](std::string_view d) { return fuzz::prova_compilazione(d); },
     "fuzz_compile"},
    {"fuzz_inspect", fuzz::prova_decodifica},
    {"fuzz_write_set", fuzz::prova_scrittura_insieme},
    {"fuzz_decompile", fuzz::prova_decompilazione_casuale},
    {"fuzz_decompile_files", fuzz::prova_decompilazione_file},
};

std::vector<fs::path> ingressi(const std::string& cartella) {
    std::vector<fs::path> files;
    if (!fs::is_directory(cartella)) return files;
    for (const auto& e : fs::recursive_directory_iterator(cartella))
        if (e.is_regular_file() && e.path().filename().string()[0] != '.')
            files.push_back(e.path());
    return files;
}

TEST(FuzzRegressions, EveryStoredInputPassesItsTarget) {
    const std::string radice = std::string(BINARIO_SOURCE_DIR) + "/fuzz/";
    for (const bersaglio& b : bersagli) {
        SCOPED_TRACE(b.nome);
        std::vector<fs::path> files = ingressi(radice + "corpus/" + b.nome);
        // The seeds alone guarantee that every target replays something.
        ASSERT_FALSE(files.empty()) << "no seeds for " << b.nome;
        for (const fs::path& p : ingressi(radice + "regressions/" + b.nome)) files.push_back(p);
        if (b.anche != nullptr)
            for (const fs::path& p : ingressi(radice + "regressions/" + b.anche))
                files.push_back(p);
        for (const fs::path& p : files) {
            const std::string dati = test::leggi(p.string());
            EXPECT_EQ(b.prova(dati), "") << p;
        }
    }
}

// The split of a compile input decides what a stored input means; a change to it
// would silently change every stored compile input.
TEST(FuzzRegressions, CompileInputSplitsAtTheFirstTwoNulBytes) {
    using namespace std::string_view_literals;
    const auto a = fuzz::dividi_sorgenti("line\0x\0\0train\0\0more"sv);
    EXPECT_EQ(a.linea, "line\0x"sv);
    EXPECT_EQ(a.treno, "train\0\0more"sv);
    EXPECT_TRUE(a.treno_presente);
    const auto b = fuzz::dividi_sorgenti("only a line\0"sv);
    EXPECT_EQ(b.linea, "only a line\0"sv);
    EXPECT_FALSE(b.treno_presente);
    const auto c = fuzz::dividi_sorgenti("\0\0"sv);
    EXPECT_EQ(c.linea, "");
    EXPECT_EQ(c.treno, "");
    EXPECT_TRUE(c.treno_presente);
}

}  // namespace
}  // namespace binario
