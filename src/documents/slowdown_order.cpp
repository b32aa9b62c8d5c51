#include "documents/slowdown_order.h"

#include <array>

#include "common/file_names.h"
#include "common/text_file_writer.h"

namespace binario {

namespace {

// The empty row and the rule row of the slowdown table, 82 characters each.
constexpr std::string_view riga_bianca =
    " |   |                            |            |          |         |            |";
constexpr std::string_view riga_regola =
    " |___|____________________________|____________|__________|_________|____________|";

// The order "Modulo M. 3" with its single slowdown, followed by 24 empty rows and
// the key of the prescriptions. The train is named "A1" whatever its code; the last
// line is two blanks.
constexpr std::array<std::string_view, 44> righe = {
    "                             Modulo M. 3",
    "                           ORDINE DI RALLENTAMENTO",
    " ________________________________________________________________________________",
    "  Linea  LAVENA-TORRE ALTA",
    "",
    "  Si ordina al macchinista del treno A1  di effettuare i seguenti rallentamenti:",
    "  _______________________________________________________________________________",
    " |   |                            |Inizio dopo |          |         |            |",
    " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
    " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
    riga_regola,
    riga_bianca,
    " | 1 |   VALDRAGONE - BORGO MAGG. |    25+500  |   15     |   100   | - A -      |",
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_regola,
    "",
    "              Prescrizioni specifiche",
    " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
    "",
    "  ",
    fine_del_file,
};

}  // namespace

std::span<const std::string_view> righe_rallentamenti() {
    return righe;
}

void dati_rallentamenti(const std::string& cartella, const std::string& linea,
                        const std::string& treno) {
    scrivi_file_testo(percorso_in(cartella, nome_file_rallentamenti(linea, treno)), righe);
}

}  // namespace binario
