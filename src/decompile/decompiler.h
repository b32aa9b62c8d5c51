// The way back from a compiled set to description files: a line file and a train
// file that compile to the same three files. What the compile computes by itself
// (the code marks it places, the stamps and codes, the station and approach marks)
// is left to the compile; only what the records wrote is written back as records.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/track_model.h"
#include "formats/compiled_reader.h"

namespace binario {

// The decoded content of a compiled set. Without a plan, the curves cannot come
// back and the round trip compares the table and the cells only.
struct insieme_compilato {
    tabella_compilata tabella{};
    std::vector<cella> celle;
    std::optional<planimetria_metrica> piano;
};

struct decompilazione {
    std::string testo_linea;  // NAME_linea.txt, CR LF line ends
    std::string testo_treno;  // NAME_CODE-.txt
    // Facts of the set that no record can give back; the round trip then differs.
    std::vector<std::string> non_riproducibili;
};

// Writes the two description files of the set. linea and treno are the names the
// files will be compiled under (they enter the competition codes). Never throws
// on any decoded content.
decompilazione decompila(const insieme_compilato& s, const std::string& linea,
                         const std::string& treno);

}  // namespace binario
