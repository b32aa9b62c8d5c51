#include "compiler/format_facts.h"

#include <algorithm>
#include <array>

namespace binario {

const char* nome_evento_cella(uint8_t evento) {
    switch (evento) {
        case evento_nessuno:
            return "none";
        case evento_segnale:
            return "signal";
        case evento_fine_rallentamento:
            return "slowdown end";
        case evento_inizio_rallentamento:
            return "slowdown start";
        case evento_avviso_rallentamento:
            return "slowdown warning board";
        case evento_passo_avviso:
            return "warning approach step";
        case evento_indicatori_velocita:
            return "speed boards";
        case evento_stazione:
            return "station mark";
        case evento_galleria:
            return "tunnel mark";
        case evento_codice:
            return "code mark";
        case evento_codice_senza_valore:
            return "code mark without value";
        case evento_cartello:
            return "direction board";
        default:
            return nullptr;
    }
}

namespace {

constexpr std::array<significato_errore, 29> errori = {{
    {errore_lunghezza_linea, "line length above 1000000 metres"},
    {errore_progressive_non_multiple,
     "a kilometre-post reference (table rows 81 to 83) is not a multiple of 50"},
    {errore_ripetizione_primo_valore,
     "first value of the signal repetition record not a multiple of 50"},
    {errore_ripetizione_secondo_valore,
     "second value of the signal repetition record not a multiple of 50"},
    {errore_ripetizione_codici, "the signal repetition record names neither 4 nor 9 codes"},
    {errore_cartello_occupato, "the cell of a direction board is already taken"},
    {errore_abbattimento_occupato, "a code mark record of the train file falls on a taken cell"},
    {errore_stazione_non_multipla, "a station's chainage is not a multiple of 50"},
    {errore_marciapiede_non_multiplo, "a station's platform length is not a multiple of 100"},
    {errore_tabella_piena, "the station rows of the table reach the direction-board rows"},
    {errore_codice_segnale,
     "a signal before a slowdown warning has no free cell for its code mark"},
    {errore_codice_inizio_rallentamento,
     "no free cell in one of the three code windows before a slowdown start"},
    {errore_codice_rallentamento, "no free cell for a code mark inside or after a slowdown"},
    {errore_oltre_ultima_cella, "a record's position, with its margin, lies beyond the last cell"},
    {errore_segnale_occupato, "a signal's cell is already taken"},
    {errore_avviso_occupato, "a slowdown's warning cell is already taken"},
    {errore_inizio_occupato, "a slowdown's start cell is already taken"},
    {errore_fine_occupata, "a slowdown's end cell is already taken"},
    {errore_passo_avviso_occupato, "one of the four cells before a slowdown warning is taken"},
    {errore_indicatori_occupati, "a speed board's cell is already taken"},
    {errore_stazioni_vicine,
     "a station starts less than 350 metres after the end of the station before it"},
    {errore_stazione_in_testa, "a station's end lies within the first two cells"},
    {errore_caricamento,
     "any other fault while loading: a file that cannot be read, a record cut short, a value "
     "too large for its field"},
    {errore_file_linea_assente, "the line description file does not exist"},
    {errore_generale_assente, "the line file has no \"[generale]\" line"},
    {errore_planimetria,
     "a curve record names no curve degree from 1 to 6, or the plan runs past point 1000000"},
    {errore_carattere_non_1252,
     "a description file read as UTF-8 holds a character that Windows-1252 cannot hold"},
    {errore_timbro_presente,
     "table row 85 intero1 or cell 1 dato1 is not 0 when the stamps are due; nothing written"},
    {errore_codice_presente,
     "table row 85 codice or cell 1 dato2 is not 0 when the codes are due; nothing written"},
}};

static_assert(std::is_sorted(errori.begin(), errori.end(),
                             [](const significato_errore& a, const significato_errore& b) {
                                 return a.numero < b.numero;
                             }));

}  // namespace

std::span<const significato_errore> tabella_errori() {
    return errori;
}

const char* significato_di(int32_t numero) {
    for (const significato_errore& e : errori)
        if (e.numero == numero) return e.testo;
    return nullptr;
}

}  // namespace binario
