// The train-file step of the load: train values, speed and adhesion profiles, code
// marks, stations with their cell marks, signals and slowdowns.
#include <limits>
#include <string>

#include "common/rounding.h"
#include "compiler/loader_state.h"
#include "compiler/recorders.h"

namespace binario {
namespace {

std::string testo_di(int64_t v) {
    return std::to_string(v);
}

// Writes round(limit / 5) of the previous speed-limit record, which must fit the
// cell's byte.
void scrivi_velocita(stato_caricamento& s) {
    modello& m = s.m;
    const int32_t limite = s.velocita_precedente;
    const int64_t v = arrotonda(limite / 5.0);
    if (v < 0 || v > 255) {
        // The fault is this limit's, found when a later record or the file's end
        // writes it: the check after the stop reads on without it, so that it is
        // reported once and not again by every fill that follows.
        s.velocita_precedente = 0;
        throw guasto_lettura{"speed limit " + testo_di(limite) + " km/h does not fit a cell (" +
                             "round(limit / 5) must lie between 0 and 255)"};
    }
    m.celle[static_cast<size_t>(s.indice_velocita)].velocita = static_cast<uint8_t>(v);
}

void velocita(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("speed limit", 2);
    int32_t p = s.numero32("speed limit chainage");
    int32_t v = s.numero32("speed limit");
    s.controlla_posizione(p, "speed limit record");
    s.ordine_velocita.controlla(m, p);
    int64_t n = cella_profilo(p);
    if (n > 0) {
        do {
            if (s.indice_velocita >= m.ultima_cella) break;
            scrivi_velocita(s);
            ++s.indice_velocita;
        } while (s.indice_velocita < n);
    }
    s.velocita_precedente = v;
}

void scrivi_aderenza(stato_caricamento& s) {
    modello& m = s.m;
    if (m.cella_valida(s.indice_aderenza))
        m.celle[static_cast<size_t>(s.indice_aderenza)].aderenza =
            static_cast<uint8_t>(s.aderenza_precedente);
    ++s.indice_aderenza;
}

void aderenza(stato_caricamento& s) {
    s.inizia_record("adhesion", 2);
    int32_t p = s.numero32("adhesion chainage");
    int32_t a = s.numero32("adhesion");
    if (a < 0 || a > 255)
        registra_avviso(s.m, "value-truncated",
                        "adhesion " + testo_di(a) + " at chainage " + testo_di(p) +
                            " does not fit a byte (0 to 255); its cells store " +
                            testo_di(static_cast<uint8_t>(a)));
    s.controlla_posizione(p, "adhesion record");
    s.ordine_aderenze.controlla(s.m, p);
    int64_t n = cella_profilo(p);
    if (n > 0) {
        do scrivi_aderenza(s);
        while (s.indice_aderenza < n);
    }
    s.aderenza_precedente = a;
}

void segnale(stato_caricamento& s) {
    s.inizia_record("signal", 11);
    int32_t posizione = s.numero32("signal chainage");
    int32_t sx = s.numero32("signal sx"), s1 = s.numero32("signal s1"),
            s2 = s.numero32("signal s2"), s3 = s.numero32("signal s3"),
            rapp = s.numero32("signal rapp"), dx = s.numero32("signal dx"),
            d1 = s.numero32("signal d1"), d2 = s.numero32("signal d2"),
            d3 = s.numero32("signal d3"), tempo = s.numero32("signal time");
    s.controlla_posizione(posizione, "signal record");
    if (!memo_segnale(s.m, posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo))
        throw interruzione{};
}

void rallentamento(stato_caricamento& s) {
    s.inizia_record("slowdown", 6);
    int32_t x = s.numero32("slowdown chainage");
    int32_t v = s.numero32("slowdown speed"), l = s.numero32("slowdown length"),
            f_tt = s.numero32("slowdown f_tt"), f_ta = s.numero32("slowdown f_ta"),
            d_v = s.numero32("slowdown d_v");
    s.controlla_posizione(x, "slowdown record");
    if (!memo_rallentamento(s.m, x, v, l, f_tt, f_ta, d_v)) throw interruzione{};
}

void abbattimento(stato_caricamento& s) {
    modello& m = s.m;
    s.inizia_record("code mark", 2);
    int32_t p = s.numero32("code mark chainage");
    int32_t w = s.numero32("code mark value");
    s.controlla_posizione(p, "code mark record");
    int64_t a = cella_profilo(p);
    if (!m.cella_valida(a))
        s.interrompi(errore_caricamento, p,
                     "code mark at chainage " + testo_di(p) + " lies before the start of the line");
    cella& c = m.celle[static_cast<size_t>(a)];
    if (!cella_libera(c))
        s.interrompi(errore_abbattimento_occupato, p,
                     "code mark at chainage " + testo_di(p) + ": cell " + testo_di(a) +
                         " is already taken by " + chi_occupa(m, a));
    if (w > 0) {
        c.evento = evento_codice;
        c.dato1 = basso16(m, w, "code mark at chainage " + testo_di(p) + ": value");
    } else {
        c.evento = evento_codice_senza_valore;
    }
    segna_origine(m, a, p);
}

int32_t in_32_bit(int64_t v, const std::string& cosa) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw guasto_lettura{cosa + " " + testo_di(v) + " does not fit 32 bits"};
    return static_cast<int32_t>(v);
}

void stazione(stato_caricamento& s) {
    modello& m = s.m;
    voce& r = riga_tabella(m, s.k);
    const int32_t k = s.k;
    s.inizia_record("station", 17);
    r.valore3 = s.numero32("station chainage");
    const int32_t progressiva = r.valore3;
    s.controlla_posizione(progressiva, "station record", 800);
    s.ordine_stazioni.controlla(m, progressiva);
    if (progressiva % 50 != 0)
        s.interrompi(errore_stazione_non_multipla, progressiva,
                     "station chainage " + testo_di(progressiva) + " is not a multiple of 50");
    r.genere = s.numero8("station type");
    int32_t len = s.numero32("platform length");
    if (len % 100 != 0)
        s.interrompi(errore_marciapiede_non_multiplo, progressiva,
                     "station platform length " + testo_di(len) + " is not a multiple of 100");
    r.stato = s.numero8("station first flag");
    r.ottetto4 = s.numero8("station second flag");
    r.ottetto3 = s.numero8("station extension flag");
    r.intero1 = s.numero16("station item 7");
    r.intero2 = s.numero16("station item 8");
    r.ottetto1 = s.numero8("station item 9");
    r.intero3 = s.numero16("station item 10");
    r.intero4 = s.numero16("station item 11");
    r.intero5 = s.numero16("station item 12");
    r.ottetto2 = s.numero8("station stop time");
    int64_t ore = s.numero32("station hours"), minuti = s.numero32("station minutes"),
            secondi = s.numero32("station seconds");
    r.codice = in_32_bit((ore * 60 + minuti) * 60 + secondi, "station time in seconds");
    r.testo = s.testo("station name");

    if (r.genere == 5 || r.genere == 6) {
        r.valore2 = in_32_bit(int64_t{progressiva} + 150, "platform end");
        r.valore1 = in_32_bit(int64_t{progressiva} - len, "platform start");
        r.ottetto3 = 0;
    } else if (r.genere == 7 || r.genere == 8) {
        r.valore1 = in_32_bit(int64_t{progressiva} - len, "platform start");
        r.valore2 = in_32_bit(int64_t{progressiva} + len, "platform end");
        r.ottetto3 = 0;
    } else {
        r.valore1 = in_32_bit(arrotonda(progressiva - len / 2.0), "platform start");
        r.valore2 = in_32_bit(arrotonda(progressiva + len / 2.0) + (r.ottetto3 != 0 ? 50 : 0),
                              "platform end");
    }
    if (len < 600) r.ottetto4 = 0;
    if (k == 1) {
        r.ottetto3 = 0;
        r.ottetto4 = 0;
    }

    if (r.genere < 25 && r.genere != 5 && r.genere != 6) {
        marche_avvicinamento marche(m, origine_evento::autore::stazione, progressiva);
        for (int j = 1; j <= 4; ++j) {
            double x = r.valore2 / static_cast<double>(metri_cella) - j - 1;
            if (x > 1) {
                int64_t c = arrotonda(x);
                if (m.cella_valida(c)) marche.scrivi(c, static_cast<uint8_t>(marca_stazione + j));
            }
        }
        marche.avvisa();
    }
    if (r.genere < 25) {
        double x = r.valore2 / static_cast<double>(metri_cella) - 1;
        if (x <= 1)
            s.interrompi(errore_stazione_in_testa, std::nullopt,
                         "station at chainage " + testo_di(progressiva) + ": platform end " +
                             testo_di(r.valore2) + " lies within the first 100 m of the line");
        int64_t c = arrotonda(x);
        if (m.cella_valida(c)) {
            // The station mark takes its cell whatever it held: say so when that was
            // another event.
            if (!cella_libera(m.celle[static_cast<size_t>(c)]))
                registra_avviso(m, "event-overwritten",
                                "the mark of the station at chainage " + testo_di(progressiva) +
                                    " replaces " + chi_occupa(m, c) + " in cell " + testo_di(c));
            m.celle[static_cast<size_t>(c)].evento = evento_stazione;
            m.celle[static_cast<size_t>(c)].dato1 = static_cast<int16_t>(k);
            segna_origine(m, c, progressiva);
        } else {
            registra_avviso(m, "beyond-line-end",
                            "station at chainage " + testo_di(progressiva) +
                                ": its mark would fall on cell " + testo_di(c) +
                                ", past the last cell; it is not written");
        }
    }
    if (k > 1 && int64_t{r.valore1} - 350 < riga_tabella(m, k - 1).valore2)
        s.interrompi(errore_stazioni_vicine, progressiva,
                     "station at chainage " + testo_di(progressiva) + ": platform start " +
                         testo_di(r.valore1) +
                         " is less than 350 m after the previous platform end " +
                         testo_di(riga_tabella(m, k - 1).valore2));
    ++s.k;
    if (s.k >= s.riga_tabella_cartelli)
        s.interrompi(errore_tabella_piena, std::nullopt,
                     "too many stations: station " + testo_di(k) +
                         " reaches the table rows of the direction boards");
}

bool record_treno_noto(const std::string& r) {
    return (contiene(r, "frenata") && contiene(r, "massa")) || contiene(r, "vetture") ||
           contiene(r, "velocit") || contiene(r, "aderenza") || contiene(r, "orologio") ||
           contiene(r, "sabbia") || contiene(r, "segnale") || contiene(r, "rallentamento") ||
           contiene(r, "abbattimento") || contiene(r, "stazione");
}

void record_treno(stato_caricamento& s) {
    modello& m = s.m;
    const std::string& r = m.riga;
    if (contiene(r, "frenata") && contiene(r, "massa")) {
        s.inizia_record("braked mass", 1);
        s.record_unico();
        riga_tabella(m, riga_valori_generali).valore1 = s.numero32("braked mass percentage");
    }
    if (contiene(r, "vetture")) {
        s.inizia_record("number of cars", 1);
        s.record_unico();
        riga_tabella(m, riga_valori_generali).valore3 = s.numero32("number of cars");
    }
    if (contiene(r, "velocit")) velocita(s);
    if (contiene(r, "aderenza")) aderenza(s);
    if (contiene(r, "orologio")) {
        s.inizia_record("clock", 3);
        s.record_unico();
        voce& v = riga_tabella(m, riga_treno);
        v.intero3 = s.numero16("clock hours");
        v.intero4 = s.numero16("clock minutes");
        v.intero5 = s.numero16("clock seconds");
    }
    if (contiene(r, "sabbia")) {
        s.inizia_record("sand", 1);
        s.record_unico();
        riga_tabella(m, riga_treno).intero1 = s.numero16("sand");
    }
    if (contiene(r, "segnale")) segnale(s);
    if (contiene(r, "rallentamento")) rallentamento(s);
    if (contiene(r, "abbattimento")) abbattimento(s);
    if (contiene(r, "stazione")) stazione(s);
}

}  // namespace

void fine_file_treno(stato_caricamento& s) {
    modello& m = s.m;
    s.consumati.treno = true;
    do {
        if (m.cella_valida(s.indice_velocita)) scrivi_velocita(s);
        ++s.indice_velocita;
    } while (s.indice_velocita < m.ultima_cella - 2);
    do scrivi_aderenza(s);
    while (s.indice_aderenza < m.ultima_cella - 2);
    for (int riga = riga_progressiva_tre; riga <= riga_progressiva_uno; ++riga) {
        const voce& v = riga_tabella(m, riga);
        if (v.valore1 % 50 != 0 || v.valore2 % 50 != 0) {
            m.sorgente_corrente.clear();
            m.riga_corrente = 0;
            registra_errore(m, errore_progressive_non_multiple, std::nullopt,
                            "kilometre-post reference (" + testo_di(v.valore1) + ", " +
                                testo_di(v.valore2) + ") is not a multiple of 50");
            break;
        }
    }
}

void ciclo_treno(stato_caricamento& s) {
    modello& m = s.m;
    s.punto = stato_caricamento::fase::treno;
    try {
        while (s.prossima_parola(2)) {
            esegui_record(s, [&s, &m] {
                if (record_treno_noto(m.riga))
                    s.riga_record = m.riga_corrente;
                else
                    s.avvisa_voce_ignota(parole_treno);
                record_treno(s);
            });
        }
        s.avvisa_ultima_voce(record_treno_noto(m.riga));
    } catch (const fine_anticipata&) {
        // The compile reads no further; the check reads the rest of the file.
        in_diagnosi(s, [](stato_caricamento& c) {
            c.riprendi();
            ciclo_treno(c);
        });
    }
}

void carica_treno(stato_caricamento& s, const sorgente& treno) {
    modello& m = s.m;
    m.file_corrente = 2;
    m.sorgente_corrente = treno.nome;
    m.riga_corrente = 0;
    if (treno.stato_file == sorgente::stato::assente)
        throw guasto_lettura{"the train description file does not exist"};
    if (treno.stato_file == sorgente::stato::illeggibile)
        throw guasto_lettura{"the train description file cannot be read: " + treno.motivo};
    s.apri(treno, 2);
    bool generale = false;
    while (!s.lettore.fine()) {
        s.leggi_parola();
        if (contiene(m.riga, "[generale]")) {
            generale = true;
            break;
        }
    }
    if (!generale) {
        m.riga_corrente = 0;
        registra_avviso(m, "no-general-section",
                        treno.testo.empty()
                            ? "the train file is empty: the train has no stations, no braked "
                              "mass and no clock"
                            : "the train file has no \"[generale]\" line: nothing of it is read, "
                              "so the train has no stations, no braked mass and no clock");
    }
    s.indice_velocita = 0;
    s.indice_aderenza = 0;
    s.k = 1;
    ciclo_treno(s);
    fine_file_treno(s);
}

}  // namespace binario
