// The plan written a block at a time: the same bytes as the whole-file serialiser
// for every block size, and a producer that fails leaves no file behind.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_replace.h"
#include "formats/compiled_files.h"
#include "test_support.h"

namespace binario {
namespace {

modello piano_misto() {
    modello m;
    m.planimetria.dimensiona(40);
    m.planimetria.assegna_intero(0, 0, -7);
    m.planimetria.assegna_intero(1, 1, 1);
    for (int32_t t = 2; t <= 30; ++t) {
        m.planimetria.assegna_reale(t, 0, t * 0.1);
        m.planimetria.assegna_reale(t, 1, -t * 1e10);
    }
    return m;
}

TEST(PlanBlocks, EveryBlockSizeGivesTheWholeFile) {
    const modello m = piano_misto();
    const std::string intero = serializza_piano(m);
    for (size_t blocco : {10, 11, 13, 64, 1000, 1 << 20}) {
        std::string unito;
        size_t blocchi = 0;
        serializza_piano_a_blocchi(m, blocco, [&](std::string_view b) {
            EXPECT_LE(b.size(), blocco);
            unito.append(b);
            ++blocchi;
        });
        EXPECT_EQ(unito, intero) << blocco;
        EXPECT_GE(blocchi * blocco, intero.size());
    }
}

TEST(PlanBlocks, ProducerFailingHalfWayLeavesTheOldFile) {
    test::cartella_temporanea c;
    const std::string percorso = c.percorso() + "/f.dat";
    sostituisci_file(percorso, "vecchio");
    auto produci = [](const ricevi_blocco& r) {
        r(std::string(3000, 'x'));
        throw std::logic_error("bad element");
    };
    EXPECT_THROW(sostituisci_file_prodotti({{percorso, produci, {}}}), std::logic_error);
    EXPECT_EQ(test::leggi(percorso), "vecchio");
    EXPECT_EQ(test::elenco(c.percorso()), std::vector<std::string>{"f.dat"})
        << "a temporary file was left behind";
}

}  // namespace
}  // namespace binario
