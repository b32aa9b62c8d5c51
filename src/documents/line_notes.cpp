#include "documents/line_notes.h"

#include <array>

#include "common/file_names.h"
#include "common/text_file_writer.h"

namespace binario {

namespace {

// The notes for the driver: the heading, the line and its history (lines 3 to 22),
// the train and the driving hints (24 to 35), a closing word (37 to 40) and the
// contact line, padded to 79 characters. Lines broken inside a sentence keep their
// trailing blank. The text is Windows-1252: the accented letters are the single
// bytes E0, E8, E9 and F9, written as escapes. One entry per line of the file, so
// the table is kept out of automatic formatting.
// clang-format off
constexpr std::array<std::string_view, 43> righe = {
    "** Linea: LAVENA - TORRE ALTA  ** Treno: Accelerato 1 (anno 1932) **",
    "",
    "La linea riprodotta \xE8 la ferrovia elettrica Lavena - Torre Alta, che univa la stazione di ",
    "Lavena, sulla costa, a Torre Alta, antico borgo arroccato sulla montagna oltre il confine di ",
    "Stato. Era una ferrovia a scartamento ridotto di 950 mm, aperta all'esercizio nel 1932 e ",
    "gestita dalla Societ\xE0 Anonima Ferrovia Lavena - Torre Alta. La trazione era elettrica, a ",
    "corrente continua a 3000 V. La linea era lunga 32,2 km e superava un dislivello di 639 m, ",
    "salendo dai 3,87 m sul livello del mare della stazione di Lavena ai 642,80 m del capolinea di ",
    "Torre Alta. Il simulatore non \xE8 in grado di riprodurla fedelmente in ogni tratto: le gallerie ",
    "elicoidali e quelle a U, con cui la linea reale guadagnava quota nei punti pi\xF9 ripidi, non si ",
    "possono ricostruire. Il percorso rende comunque l'idea di quello vero: un lungo rettilineo ",
    "nella valle del torrente fino al confine di Stato, poi la salita, tutta curve strette e ",
    "pendenze severe, fino al capolinea. Lungo il percorso si incontrano 17 gallerie, per lo pi\xF9 ",
    "brevi. Le principali sono la galleria del Poggio (367 m), la galleria della Costa (697 m), la ",
    "galleria Calintuffo (615 m), seguita a breve distanza dalla galleria del Fosso (92 m), e infine ",
    "la galleria del Serrone (502 m), l'ultima della linea, a ferro di cavallo e in pendenza del 42 ",
    "per mille. Durante la seconda guerra mondiale la ferrovia fu in gran parte distrutta e non ",
    "venne pi\xF9 ricostruita. Ancora oggi, tuttavia, se ne riconoscono le tracce: la vecchia sede ",
    "trasformata in sentiero, le gallerie, i ponti, i viadotti e alcuni fabbricati delle stazioni. ",
    "Del materiale rotabile si \xE8 salvata una vettura mista, restaurata nel 1983 e ridipinta nel ",
    "2000, che oggi \xE8 esposta su un viadotto vicino a una delle fermate, a ricordo di una ferrovia ",
    "che per anni fu la via pi\xF9 comoda per salire a Torre Alta.",
    "",
    "Il treno proposto \xE8 l'Accelerato n. 1 dell'orario in vigore dal primo luglio 1932: parte da ",
    "Lavena alle 7.15 e arriva a Torre Alta un'ora dopo, alle 8.15, fermando in tutte le stazioni e ",
    "fermate. Le progressive chilometriche sono contate a partire da Lavena, a differenza di quanto ",
    "avveniva sulla linea reale. Le fermate al km 10,200 e al km 25,100 non sono protette da ",
    "segnali: tenete d'occhio la progressiva e preparatevi per tempo alla fermata, perch\xE9 nessun ",
    "segnale vi avviser\xE0. Prestate la massima attenzione ai segnali disposti a via impedita sulle ",
    "salite: un treno che si ferma davanti al segnale, con la pendenza contro e le rotaie umide, ",
    "rischia di non riuscire a ripartire. Se in salita un segnale vi si presenta a via impedita, ",
    "rallentate per tempo: arrivando piano, potreste trovarlo disposto a via libera prima di dovervi ",
    "fermare. Infine, il rallentamento a 15 km/h sul viadotto al km 22,600 va rispettato con tutto ",
    "il treno, fino a quando l'ultimo veicolo non avr\xE0 lasciato il viadotto: in passato la struttura ",
    "aveva dato segni di cedimento, e non \xE8 il caso di metterla alla prova.",
    "",
    "Un'ultima raccomandazione: immaginate la linea a semplice binario, com'era davvero, con gli ",
    "incroci dei treni nelle stazioni e le sue piccole fermate di campagna. E mentre il treno sale ",
    "verso Torre Alta, godetevi il paesaggio: la valle che si allarga alle vostre spalle, il mare ",
    "all'orizzonte e la montagna che si avvicina. Buon viaggio!",
    "",
    "Per commenti e segnalazioni: lavena.torrealta@example.org                      ",
    fine_del_file,
};
// clang-format on

}  // namespace

std::span<const std::string_view> righe_note() {
    return righe;
}

void dati_note(const std::string& cartella, const std::string& linea, const std::string& treno) {
    scrivi_file_testo(percorso_in(cartella, nome_file_note(linea, treno)), righe);
}

}  // namespace binario
