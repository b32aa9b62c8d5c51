#include "documents/train_sheet.h"

#include <array>

#include "common/file_names.h"
#include "common/text_file_writer.h"

namespace binario {

namespace {

// The empty row and the closing rule of the timetable table, 83 characters each.
constexpr std::string_view riga_bianca =
    " |     |     |          |     |                            |                |     |";
constexpr std::string_view riga_regola =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

// The sheet of train "A 1": heading box, classification and braked mass, then the
// timetable table. Every blank is part of the text; line 8 ends in seven blanks.
constexpr std::array<std::string_view, 53> righe = {
    "",
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA                   |              |",
    " |   TRENO n. 1      |                   da: LAVENA F.S.           |    V=75 B    |",
    " |___________________|                    a: TORRE ALTA            |     75%      |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |       Accelerato  |              |      240 T        |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    riga_regola,
    riga_bianca,
    " | 30  | 30  |   0+000  |     | LAVENA F.S.                |         7.15   |     |",
    riga_bianca,
    " | 75  | 70  |   0+551  |     |                            |                |     |",
    riga_bianca,
    " |     |     |   1+200  |     | LAVENA MARINA              |  7.18 / 7.19   |     |",
    riga_bianca,
    " |     |     |  10+200  |     | CORIANO CERASOLO           | 7.29.30 / 7.30 |  2' |",
    riga_bianca,
    " |     |     |  11+125  |     | Confine di Stato           |      7.31.30   |     |",
    riga_bianca,
    " | 70  | 65  |  12+650  |     |                            |                |     |",
    riga_bianca,
    " |     |     |  13+900  |     | DOGANA                     |  7.35 / 7.36   |     |",
    riga_bianca,
    " |     |     |  17+000  |     | SERRAVALLE                 |  7.41 / 7.42   |     |",
    riga_bianca,
    " |     |     |  22+400  |     | DOMAGNANO MONTELUPO        | 7.53 / 7.53.30 |     |",
    riga_bianca,
    " |     |     |  25+000  |     | VALDRAGONE                 | 7.59 / 7.59.30 |     |",
    riga_bianca,
    " | 65  | 60  |  26+400  |     | Imbocco gall. Calintuffo   |                |     |",
    riga_bianca,
    " |     |     |  28+300  |     | BORGO MAGGIORE             |  8.06 / 8.07   |     |",
    riga_bianca,
    " |     | 30  |  31+100  |     | Segn. prot. Torre Alta     |                |     |",
    riga_bianca,
    " | 30  |     |  31+900  |     | Dev. I.                    |                |     |",
    riga_bianca,
    " |     |     |  32+200  |     | TORRE ALTA                 |  8.15          |     |",
    riga_bianca,
    riga_bianca,
    riga_bianca,
    riga_regola,
    "",
    "",
    "",
    fine_del_file,
};

}  // namespace

std::span<const std::string_view> righe_scheda() {
    return righe;
}

void dati_scheda(const std::string& cartella, const std::string& linea, const std::string& treno) {
    scrivi_file_testo(percorso_in(cartella, nome_file_scheda(linea, treno)), righe);
}

}  // namespace binario
