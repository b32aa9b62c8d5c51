#include "compiler/scenario_loader.h"

#include <algorithm>
#include <string>

#include "common/rounding.h"
#include "compiler/loader_state.h"
#include "compiler/plan_progress.h"
#include "compiler/recorders.h"
#include "formats/compiled_records.h"

namespace binario {
namespace {

constexpr int32_t punti_massimi = 1000000;

// ---- General section -------------------------------------------------------

void leggi_lunghezza(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("line length", 1);
    s.record_unico();
    int32_t& L = riga_tabella(m, riga_valori_generali).valore2;
    L = s.numero32("line length");
    if (L > m.lunghezza_massima)
        s.interrompi(errore_lunghezza_linea, std::nullopt,
                     "line length " + std::to_string(L) + " is above the limit of " +
                         std::to_string(m.lunghezza_massima) + " m");
    if (L < 0)
        s.interrompi(errore_caricamento, std::nullopt,
                     "line length " + std::to_string(L) + " is negative");
    m.lunghezza_estesa = L + 7000;
    m.ultima_cella =
        static_cast<int32_t>(arrotonda(m.lunghezza_estesa / static_cast<double>(metri_cella)));
    m.celle.assign(static_cast<size_t>(m.ultima_cella) + 1, cella{});
    m.origini.assign(m.celle.size(), origine_evento{});
    s.lunghezza = L;
    if (m.in_diagnosi) return;  // the plan is the stopped compile's
    if (m.compila_planimetria != 0)
        m.planimetria.dimensiona(m.lunghezza_estesa);
    else
        m.planimetria.cancella();
}

void leggi_riferimento(stato_caricamento& s, int riga, std::string_view quale) {
    s.inizia_record("kilometre-post reference", 3);
    s.record_unico(quale);
    voce& v = riga_tabella(s.m, riga);
    v.valore1 = s.numero32("kilometre-post reference, first value");
    v.valore2 = s.numero32("kilometre-post reference, second value");
    v.valore3 = s.numero32("kilometre-post reference, third value");
}

void leggi_ripetizione(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("signal repetition", 2);
    s.record_unico();
    voce& v = riga_tabella(m, riga_treno);
    v.valore1 = s.numero32("first repetition chainage");
    v.valore2 = s.numero32("second repetition chainage");
    if (v.valore1 % 50 != 0)
        s.interrompi(errore_ripetizione_primo_valore, std::nullopt,
                     "first signal repetition chainage " + std::to_string(v.valore1) +
                         " is not a multiple of 50");
    if (v.valore2 % 50 != 0)
        s.interrompi(errore_ripetizione_secondo_valore, std::nullopt,
                     "second signal repetition chainage " + std::to_string(v.valore2) +
                         " is not a multiple of 50");
    if (contiene(m.riga, "4"))
        v.valore3 = 4;
    else if (contiene(m.riga, "9"))
        v.valore3 = 9;
    else
        s.interrompi(errore_ripetizione_codici, std::nullopt,
                     "signal repetition keyword \"" + m.riga + "\" names neither 4 nor 9 codes");
    if (v.valore2 == 0) v.valore3 = 0;
}

bool record_generale(const std::string& r) {
    return (contiene(r, "percorso") && contiene(r, "lunghezza")) ||
           (contiene_esatto(r, "progressiva") &&
            (contiene_esatto(r, "uno") || contiene_esatto(r, "due") ||
             contiene_esatto(r, "tre"))) ||
           (contiene_esatto(r, "sfondo") &&
            (contiene_esatto(r, "uno") || contiene_esatto(r, "due") ||
             contiene_esatto(r, "tre"))) ||
           (contiene_esatto(r, "segnali") && contiene_esatto(r, "ripetizione"));
}

void record_della_sezione_generale(stato_caricamento& s) {
    modello& m = s.m;
    if (record_generale(m.riga)) s.riga_record = m.riga_corrente;
    if (contiene(m.riga, "percorso") && contiene(m.riga, "lunghezza")) leggi_lunghezza(s);
    if (contiene_esatto(m.riga, "tre") && contiene_esatto(m.riga, "progressiva"))
        leggi_riferimento(s, riga_progressiva_tre, "kilometre-post reference three");
    if (contiene_esatto(m.riga, "due") && contiene_esatto(m.riga, "progressiva"))
        leggi_riferimento(s, riga_progressiva_due, "kilometre-post reference two");
    if (contiene_esatto(m.riga, "uno") && contiene_esatto(m.riga, "progressiva"))
        leggi_riferimento(s, riga_progressiva_uno, "kilometre-post reference one");
    auto sfondo = [&s](const char* nome) {
        s.inizia_record(nome, 1);
        s.record_unico();
        return s.numero32(nome);
    };
    if (contiene_esatto(m.riga, "sfondo") && contiene_esatto(m.riga, "uno"))
        riga_tabella(m, riga_linea).valore1 = sfondo("scenery setting one");
    if (contiene_esatto(m.riga, "sfondo") && contiene_esatto(m.riga, "due"))
        riga_tabella(m, riga_linea).valore3 = sfondo("scenery setting two");
    if (contiene_esatto(m.riga, "sfondo") && contiene_esatto(m.riga, "tre"))
        riga_tabella(m, riga_linea).valore2 = sfondo("scenery setting three");
    if (contiene_esatto(m.riga, "segnali") && contiene_esatto(m.riga, "ripetizione"))
        leggi_ripetizione(s);
}

void sezione_generale(stato_caricamento& s) {
    modello& m = s.m;
    s.punto = stato_caricamento::fase::generale;
    for (;;) {
        if (s.lettore.fine()) return;
        s.leggi_parola();
        if (s.lettore.fine()) return;
        bool fine_sezione = false;
        esegui_record(s, [&] {
            for (int i = 0; i < 10 && contiene_esatto(m.riga, "-"); ++i) {
                if (!s.leggi_parola())
                    throw guasto_lettura{"the file ends inside the general section"};
            }
            record_della_sezione_generale(s);
            if (intestazione_sezione(m.riga)) {
                fine_sezione = true;
            } else if (!record_generale(m.riga)) {
                s.avvisa_voce_ignota(parole_generale);
            }
        });
        if (fine_sezione) return;
    }
}

// ---- Profile records -------------------------------------------------------

void pendenza(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("gradient", 2);
    int32_t p = s.numero32("gradient chainage");
    int32_t g = s.numero32("gradient");
    s.controlla_posizione(p, "gradient record");
    s.ordine_pendenze.controlla(m, p);
    int64_t n = cella_profilo(p);
    if (n > 0) {
        do {
            if (m.cella_valida(s.indice_pendenza))
                m.celle[static_cast<size_t>(s.indice_pendenza)].pendenza =
                    static_cast<uint8_t>(static_cast<int64_t>(s.pendenza_precedente) + 100);
            ++s.indice_pendenza;
        } while (s.indice_pendenza < n);
    }
    if (int64_t{g} + 100 < 0 || int64_t{g} + 100 > 255)
        registra_avviso(m, "value-truncated",
                        "gradient " + std::to_string(g) + " at chainage " + std::to_string(p) +
                            " lies outside -100 to 155 per mille; its cells store " +
                            std::to_string(static_cast<uint8_t>(int64_t{g} + 100) - 100));
    s.pendenza_precedente = g;
}

// The observer hears of final points each time the plan passes a multiple of this:
// often enough to write the first points while the rest is computed, seldom
// enough to cost nothing.
constexpr int32_t passo_annuncio = 1 << 14;

// Stores the plan file's bytes of reals [da, a) of a compact plan in the space the
// observer gave for them, while computing them.
void calcola_in_spazio(stato_caricamento& s, int32_t da, int32_t a, double c) {
    char* x = s.spazio + static_cast<size_t>(da - s.da_spazio) * byte_elemento_reale;
    char* y = x + static_cast<size_t>(s.a_spazio - s.da_spazio) * byte_elemento_reale;
    passi_piano(s.ultimi, da, a, c, [&x, &y](int32_t, double vx, double vy) {
        x = metti_elemento_reale(x, vx);
        y = metti_elemento_reale(y, vy);
    });
}

// Computes plan points da to a - 1 (2 <= da, a <= the plan's last metre + 1, no
// multiple of passo_annuncio strictly between them) from the two before them.
// A plan with arrays stores them there; a compact plan records the run, and the
// reals go to the observer's space.
void calcola_punti(stato_caricamento& s, int32_t da, int32_t a, double c) {
    planimetria_metrica& piano = s.m.planimetria;
    if (a <= da) return;
    if (!piano.compatta) {
        double* x = piano.valori.data() + piano.indice(0, 0);
        double* y = piano.valori.data() + piano.indice(0, 1);
        passi_piano(s.ultimi, da, a, c, [x, y](int32_t t, double vx, double vy) {
            x[t] = vx;
            y[t] = vy;
        });
        tipo_valore* tipi = piano.tipi.data();
        std::fill(tipi + piano.indice(da, 0), tipi + piano.indice(a, 0), tipo_valore::reale);
        std::fill(tipi + piano.indice(da, 1), tipi + piano.indice(a, 1), tipo_valore::reale);
        return;
    }
    piano.aggiungi_tratto({da, a, c, s.ultimi});
    // The observer's space ends at the last metre but one: reals past it, which only
    // a curve run past the end gives, are recorded in the run alone.
    const int32_t fine_file = piano.ultimo_metro - 1;
    if (da >= s.a_spazio && da < fine_file) {
        s.da_spazio = da;
        s.a_spazio = std::min((da / passo_annuncio + 1) * passo_annuncio, fine_file);
        s.spazio = s.osservatore->spazio_reali(s.da_spazio, s.a_spazio);
    }
    const int32_t fine = s.spazio != nullptr && da < s.a_spazio ? std::min(a, s.a_spazio) : da;
    if (fine > da) calcola_in_spazio(s, da, fine, c);
    passi_piano(s.ultimi, fine, a, c, [](int32_t, double, double) {});
}

// Computes points up to a - 1 from the plan index on.
void estendi_piano(stato_caricamento& s, int32_t a, double c) {
    while (s.indice_piano < a) {
        const int32_t segno = (s.indice_piano / passo_annuncio + 1) * passo_annuncio;
        const int32_t fine = std::min(a, segno);
        calcola_punti(s, s.indice_piano, fine, c);
        s.indice_piano = fine;
        if (fine == segno && s.osservatore != nullptr)
            s.osservatore->punti_pronti(s.m.planimetria, fine);
    }
}

// Advances the plan up to and including point `fino`, with curvature c. Points past
// the plan's last metre are not stored; passing point 1000000 stops the load (103).
void avanza_piano(stato_caricamento& s, int64_t fino, double c) {
    const planimetria_metrica& piano = s.m.planimetria;
    while (s.indice_piano <= fino) {
        if (!piano.contiene(s.indice_piano)) {
            // Nothing more can be stored; only the point limit still matters.
            if (fino >= punti_massimi)
                s.interrompi(errore_planimetria, std::nullopt,
                             "the track plan would pass point 1000000 (curve ends at " +
                                 std::to_string(fino) + ")");
            s.indice_piano = static_cast<int32_t>(fino + 1);
            return;
        }
        // Up to the curve's end, the plan's last metre or point 1000000, which comes first.
        const int64_t ultimo = std::min<int64_t>({fino, piano.ultimo_metro, punti_massimi});
        estendi_piano(s, static_cast<int32_t>(ultimo + 1), c);
        if (s.indice_piano > punti_massimi)
            s.interrompi(errore_planimetria, std::nullopt, "the track plan passes point 1000000");
    }
}

// The hand letter is the one right after "curva"; any other "s" in the keyword
// also makes the curve a left one ("curva destra 3"), which is surely not meant.
void avvisa_mano_curva(modello& m) {
    const std::string& r = m.riga;
    size_t dopo = std::string::npos;
    for (size_t i = 0; i + 5 <= r.size() && dopo == std::string::npos; ++i)
        if (contiene(r.substr(i, 5), "curva")) dopo = i + 5;
    for (size_t i = 0; i < r.size(); ++i) {
        if ((r[i] == 's' || r[i] == 'S') && i != dopo) {
            registra_avviso(m, "curve-hand",
                            "curve keyword \"" + r +
                                "\" has an \"s\" that is not the hand "
                                "letter right after \"curva\", so the curve turns left; write "
                                "\"curvas\" for a left curve and \"curvad\" for a right one");
            return;
        }
    }
}

void curva(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("curve", 2);
    int32_t inizio = s.numero32("curve start");
    int32_t lunghezza = s.numero32("curve length");
    s.controlla_posizione(inizio, "curve record");
    s.ordine_curve.controlla(m, inizio);
    if (inizio < s.fine_curva_precedente)
        registra_avviso(m, "curve-overlap",
                        "curve at chainage " + std::to_string(inizio) +
                            " starts before the previous curve ends at " +
                            std::to_string(s.fine_curva_precedente));
    s.fine_curva_precedente = static_cast<int64_t>(inizio) + lunghezza;
    double c = 0;
    for (int i = 0; i < 6 && c == 0; ++i)
        if (contiene(m.riga, std::string(1, static_cast<char>('1' + i)))) c = curvature_gradi[i];
    if (c == 0)
        s.interrompi(errore_planimetria, std::nullopt,
                     "curve keyword \"" + m.riga + "\" names no degree from 1 to 6");
    if (contiene(m.riga, "s")) {
        c = -c;
        avvisa_mano_curva(m);
    }
    if (m.in_diagnosi) return;  // the plan is the stopped compile's
    avanza_piano(s, inizio, 0.0);
    avanza_piano(s, static_cast<int64_t>(inizio) + lunghezza, c);
}

void montagna(stato_caricamento& s) {
    s.inizia_record("tunnel", 3);
    int32_t inizio = s.numero32("tunnel start");
    int32_t fine = s.numero32("tunnel end");
    int32_t tipo = s.numero32("tunnel type");
    s.controlla_posizione(inizio, "tunnel record");
    if (!memo_montagna(s.m, inizio, fine, tipo)) throw interruzione{};
}

void indicatori(stato_caricamento& s) {
    s.inizia_record("speed board", 9);
    int32_t posizione = s.numero32("speed board chainage");
    int32_t vas = s.numero32("left board speed a");
    int32_t vbs = s.numero32("left board speed b");
    int32_t vcs = s.numero32("left board speed c");
    int32_t strisces = s.numero32("left board stripes");
    int32_t vad = s.numero32("right board speed a");
    int32_t vbd = s.numero32("right board speed b");
    int32_t vcd = s.numero32("right board speed c");
    int32_t strisced = s.numero32("right board stripes");
    s.controlla_posizione(posizione, "speed board record");
    if (!memo_indicatori_v_max(s.m, posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced))
        throw interruzione{};
}

void cartello(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("direction board", 2);
    int32_t p = s.numero32("direction board chainage");
    m.riga = s.testo("direction board text");
    s.controlla_posizione(p, "direction board record");
    int64_t b = cella_evento(p);
    if (!m.cella_valida(b))
        s.interrompi(errore_caricamento, p,
                     "direction board at chainage " + std::to_string(p) +
                         " lies before the start of the line");
    cella& c = m.celle[static_cast<size_t>(b)];
    if (!cella_libera(c))
        s.interrompi(errore_cartello_occupato, p,
                     "direction board at chainage " + std::to_string(p) + ": cell " +
                         std::to_string(b) + " is already taken by " + chi_occupa(m, b));
    // Rows 80 down to 2 hold board texts; row 1 is the first station's.
    if (s.riga_tabella_cartelli < riga_ultimo_cartello)
        s.interrompi(errore_caricamento, p,
                     "too many direction boards: the table holds at most 79");
    c.evento = evento_cartello;
    c.dato1 = static_cast<int16_t>(s.riga_tabella_cartelli);
    riga_tabella(m, s.riga_tabella_cartelli).testo = m.riga;
    --s.riga_tabella_cartelli;
    segna_origine(m, b, p);
}

// Reads the next keyword item, skipping up to `salti` items that contain "-".
// False when the file has ended.
bool record_linea(const std::string& r) {
    return contiene(r, "pendenza") || contiene(r, "curva") || contiene(r, "montagna") ||
           contiene(r, "indicatori_v") || (contiene(r, "indicat") && contiene(r, "cartello"));
}

void sezione_profili(stato_caricamento& s) {
    modello& m = s.m;
    s.punto = stato_caricamento::fase::profili;
    try {
        while (s.prossima_parola(2)) {
            esegui_record(s, [&s, &m] {
                if (record_linea(m.riga))
                    s.riga_record = m.riga_corrente;
                else
                    s.avvisa_voce_ignota(parole_profilo_linea);
                if (contiene(m.riga, "pendenza")) pendenza(s);
                if (m.compila_planimetria != 0 && contiene(m.riga, "curva")) curva(s);
                if (contiene(m.riga, "montagna")) montagna(s);
                if (contiene(m.riga, "indicatori_v")) indicatori(s);
                if (contiene(m.riga, "indicat") && contiene(m.riga, "cartello")) cartello(s);
            });
        }
        s.avvisa_ultima_voce(record_linea(m.riga));
    } catch (const fine_anticipata&) {
        // The compile reads no further; the check reads the rest of the file.
        in_diagnosi(s, [](stato_caricamento& c) {
            c.riprendi();
            sezione_profili(c);
        });
    }
}

void fine_file_linea(stato_caricamento& s) {
    modello& m = s.m;
    s.consumati.linea = true;
    do {
        if (m.cella_valida(s.indice_pendenza))
            m.celle[static_cast<size_t>(s.indice_pendenza)].pendenza =
                static_cast<uint8_t>(static_cast<int64_t>(s.pendenza_precedente) + 100);
        ++s.indice_pendenza;
    } while (s.indice_pendenza < m.ultima_cella - 2);
    s.punto = stato_caricamento::fase::dopo_linea;
    if (m.compila_planimetria != 0 && m.planimetria.esiste() && !m.in_diagnosi) {
        // The plan is dimensioned to lunghezza_estesa: these points are all stored.
        estendi_piano(s, m.lunghezza_estesa - 1, 0.0);
        // The plan is complete: the observer can write the rest while the train
        // file is read.
        if (s.osservatore != nullptr)
            s.osservatore->punti_pronti(m.planimetria,
                                        std::min(s.indice_piano, m.lunghezza_estesa + 1));
    }
}

// Between the general section and the profile records.
void tra_le_sezioni(stato_caricamento& s) {
    modello& m = s.m;
    s.punto = stato_caricamento::fase::tra;
    if (m.celle.empty())
        throw guasto_lettura{"the line file gives no line length (\"lunghezza percorso\" record)"};
    progressive_ordina(m);
    m.numero_gallerie = 0;
    s.riga_tabella_cartelli = riga_primo_cartello;
    s.indice_pendenza = 0;
    s.indice_piano = 2;
    if (m.compila_planimetria != 0 && !m.in_diagnosi) {
        // The length is final: an observer that writes the reals as they come may
        // take them, and the plan then keeps only how to compute them again.
        if (s.osservatore != nullptr && s.osservatore->prende_i_reali(m.lunghezza_estesa))
            m.planimetria.dimensiona(m.lunghezza_estesa, true);
        m.planimetria.assegna_intero(0, 0, 0);
        m.planimetria.assegna_intero(0, 1, 0);
        m.planimetria.assegna_intero(1, 0, 0);
        m.planimetria.assegna_intero(1, 1, 1);
        s.ultimi = {0.0, 0.0, 0.0, 1.0};
    }
}

void carica_linea(stato_caricamento& s, const sorgente& linea) {
    modello& m = s.m;
    s.apri(linea, 1);
    // Everything before "[generale]" is skipped.
    for (;;) {
        if (s.lettore.fine() || !s.leggi_parola() || s.lettore.fine())
            s.interrompi(errore_generale_assente, std::nullopt,
                         "the line file has no \"[generale]\" section followed by records");
        if (contiene(m.riga, "[generale]")) break;
    }
    sezione_generale(s);
    tra_le_sezioni(s);
    sezione_profili(s);
    fine_file_linea(s);
}

// After the error that stopped the load: reads on from where it stopped, to the end
// of that file and through the train file, for further faults and warnings.
void dopo_arresto(stato_caricamento& s, const sorgente& treno) {
    using fase = stato_caricamento::fase;
    in_diagnosi(s, [&treno](stato_caricamento& c) {
        switch (c.punto) {
            case fase::nessuna:
                break;
            case fase::generale:
                c.riprendi();
                sezione_generale(c);
                [[fallthrough]];
            case fase::tra:
                tra_le_sezioni(c);
                sezione_profili(c);
                fine_file_linea(c);
                break;
            case fase::profili:
                c.riprendi();
                sezione_profili(c);
                fine_file_linea(c);
                break;
            case fase::dopo_linea:
                return;  // the train file itself could not be read
            case fase::treno:
                c.riprendi();
                ciclo_treno(c);
                fine_file_treno(c);
                return;
        }
        carica_treno(c, treno);
    });
}

}  // namespace

file_consumati memorizza_dati(modello& m, const sorgente& linea, const sorgente& treno,
                              osservatore_piano* osservatore) {
    stato_caricamento s(m);
    s.osservatore = osservatore;
    riga_tabella(m, riga_linea).testo = m.linea;
    riga_tabella(m, riga_treno).testo = m.treno;
    m.nomi_file[1] = linea.nome;
    m.nomi_file[2] = treno.nome;
    m.sorgente_corrente = linea.nome;
    m.riga_corrente = 0;
    if (linea.stato_file == sorgente::stato::assente) {
        registra_errore(m, errore_file_linea_assente, std::nullopt,
                        "the line description file does not exist");
        dopo_arresto(s, treno);
        m.sorgente_corrente.clear();
        m.riga_corrente = 0;
        return s.consumati;
    }
    try {
        if (linea.stato_file == sorgente::stato::illeggibile)
            throw guasto_lettura{"the line description file cannot be read: " + linea.motivo};
        carica_linea(s, linea);
        carica_treno(s, treno);
    } catch (const interruzione&) {
        // The file being read is consumed; the other one stays as it is.
        if (s.consumati.linea)
            s.consumati.treno = true;
        else
            s.consumati.linea = true;
        dopo_arresto(s, treno);
    } catch (const guasto_lettura& g) {
        registra_errore(m, errore_caricamento, std::nullopt, g.messaggio);
        s.consumati.linea = s.consumati.treno = true;
        dopo_arresto(s, treno);
    }
    m.sorgente_corrente.clear();
    m.riga_corrente = 0;
    return s.consumati;
}

}  // namespace binario
