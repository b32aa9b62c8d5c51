// binario_genera LENGTH DIR: writes a generated line and train description of
// LENGTH metres into DIR, named as 'binario compile' expects them, after checking
// that they compile with no fault. Prints the two paths, one a line.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "common/file_names.h"
#include "common/file_replace.h"
#include "scenario_generator.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: binario_genera LENGTH DIR\n");
        return 64;
    }
    try {
        char* fine = nullptr;
        const long lunghezza = std::strtol(argv[1], &fine, 10);
        if (*argv[1] == '\0' || *fine != '\0' || lunghezza < 0 || lunghezza > 1000000) {
            std::fprintf(stderr, "binario_genera: LENGTH must be 0 to 1000000 metres\n");
            return 64;
        }
        const binario::scenario_generato s =
            binario::genera_scenario(static_cast<int32_t>(lunghezza));
        const std::string guasto = binario::verifica_scenario(s);
        if (!guasto.empty()) {
            std::fprintf(stderr, "binario_genera: the scenario does not compile cleanly: %s\n",
                         guasto.c_str());
            return 1;
        }
        const std::string cartella = argv[2];
        const std::string linea = binario::percorso_in(cartella, binario::nome_file_linea(s.linea));
        const std::string treno =
            binario::percorso_in(cartella, binario::nome_file_treno(s.linea, s.treno));
        binario::sostituisci_file(linea, s.testo_linea);
        binario::sostituisci_file(treno, s.testo_treno);
        std::printf("%s\n%s\n", linea.c_str(), treno.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "binario_genera: %s\n", e.what());
        return 74;
    }
    return 0;
}
