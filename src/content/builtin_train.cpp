#include "content/builtin_train.h"

#include <array>

#include "common/file_names.h"
#include "common/text_file_writer.h"

namespace binario {

namespace {

// The train "A 1" on the line "Lavena_Torre Alta": three cars leaving at 7:14:30,
// with the adhesion, speed limits, stations, slowdown and signals of its run.
// Every blank is part of the text, the trailing one of the clock line included.
constexpr std::array<std::string_view, 61> righe = {
    "[generale]",
    "numero vetture,    3",
    "percentuale massa frenata,    75",
    "sabbia,    300",
    "orologio,    7               14            30 ",
    "[aderenze]",
    "aderenza,   0,    100",
    "aderenza,    1300,    98",
    "aderenza,    1400,    97",
    "aderenza,    1550,    98",
    "aderenza,    1700,   100",
    "aderenza,    6150,    99",
    "aderenza,    8250,    96",
    "aderenza,    8600,    99",
    "aderenza,   11050,    98",
    "aderenza,   14050,    97",
    "aderenza,   14900,    95",
    "aderenza,   15600,    93",
    "aderenza,   16000,    99",
    "aderenza,   16250,    94",
    "aderenza,   16600,    96",
    "aderenza,   19500,    97",
    "aderenza,   19950,    96",
    "aderenza,   23850,    98",
    "aderenza,   24300,    95",
    "aderenza,   24550,    97",
    "aderenza,   25050,    98",
    "aderenza,   26700,    96",
    "aderenza,   28300,    98",
    "aderenza,   31750,   100",
    "[vel_limite]",
    "velocita,   0,    30",
    "velocita,     500,    75",
    "velocita,   12700,    70",
    "velocita,   26400,    60",
    "[stazioni]",
    "stazione,       0,  7,  200,  1, 0, 0,  3,1,0,  2,1,1,    1,   7,15, 0, LAVENA F.S.",
    "stazione,    1300, 22,  200,  0, 0, 0,  0,0,0,  4,1,1,   30,   7,18, 0, LAVENA MARINA",
    "stazione,   10300, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,   30,   7,30, 0, CORIANO CERASOLO",
    "stazione,   14000, 12,  200,  0, 0, 0,  1,1,0,  4,1,1,   60,   7,36, 0, DOGANA",
    "stazione,   17100, 12,  200,  1, 0, 0,  4,1,0,  2,1,1,   60,   7,42,30, SERRAVALLE",
    "stazione,   22500, 12,  200,  0, 0, 1,  1,1,0,  4,1,1,   30,   7,53,30, DOMAGNANO MONTELUPO",
    "stazione,   25100, 28,  200,  0, 0, 0,  0,0,0,  0,0,0,   30,   7,59,30, VALDRAGONE",
    "stazione,   28400, 12,  200,  0, 0, 0,  1,1,0,  4,1,1,   60,   8, 7, 0, BORGO MAGGIORE",
    "stazione,   32100,  6,  200,  1, 0, 0,  1,1,0,  2,1,1,    0,   8,15, 0, TORRE ALTA",
    "[rallentamenti]",
    "rallentamento,   25500,    15,  100, 1,  1,  15",
    "[segnali]",
    "segnale,   12100,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   13000,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   15300,   1, 3, 1,  0, 0,    0,  0,0,0, 250",
    "segnale,   16200,   2, 2, 3,  0, 0,    0,  0,0,0, 255",
    "segnale,   20600,   1, 5, 1,  0, 0,    0,  0,0,0, 250",
    "segnale,   21500,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   26450,   1, 5, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   27300,   2, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   30200,   1, 3, 1,  0, 0,    0,  0,0,0, 0",
    "segnale,   31100,   2, 2, 3,  3, 0,    0,  0,0,0, 0",
    "[codici]",
    "[fine]",
    fine_del_file,
};

}  // namespace

std::span<const std::string_view> righe_treno() {
    return righe;
}

void dati_treno(const std::string& cartella, const std::string& linea, const std::string& treno) {
    scrivi_file_testo(percorso_in(cartella, nome_file_treno(linea, treno)), righe);
}

}  // namespace binario
