#include "decompile/decompiler.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <set>

#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "compiler/recorders.h"
#include "compiler/track_plan.h"
#include "decompile/round_trip.h"
#include "formats/compiled_records.h"

namespace binario {

namespace {

// One line of a description file, CR LF ended.
__attribute__((format(printf, 2, 3))) void riga(std::string& out, const char* formato, ...) {
    char buffer[512];
    va_list argomenti;
    va_start(argomenti, formato);
    const int n = std::vsnprintf(buffer, sizeof buffer, formato, argomenti);
    va_end(argomenti);
    if (n > 0) out.append(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
    out += "\r\n";
}

void riga_testo(std::string& out, const std::string& prima, const std::string& testo) {
    out += prima;
    out += testo;
    out += "\r\n";
}

// Floor division, so that q * d + r gives n with 0 <= r < d for any sign of n.
int64_t quoziente(int64_t n, int64_t d) {
    int64_t q = n / d;
    if ((n % d) != 0 && ((n < 0) != (d < 0))) --q;
    return q;
}

const char* const intestazione =
    "-- recovered from compiled files by binario decompile: compiles to the same bytes --";

// A text item comes back as written only when the reader keeps it whole.
bool testo_riproducibile(const std::string& t) {
    if (t.find_first_of(",\r\n") != std::string::npos) return false;
    if (!t.empty() && (t.front() == ' ' || t.front() == '\t' || t.front() == '"')) return false;
    if (!t.empty() && (t.back() == ' ' || t.back() == '\t')) return false;
    return true;
}

// ---- Line file --------------------------------------------------------------------

struct riferimento {
    int32_t v1, v2, v3;
};

riferimento leggi(const voce& v) {
    return {v.valore1, v.valore2, v.valore3};
}

// The three kilometre-post records, in the order "uno", "due", "tre", that the
// chainage sort turns into the stored rows 81 to 83. The sort is run on every
// order of the stored rows, with the +100 of a third value 1 taken back.
std::optional<std::array<riferimento, 3>> riferimenti_sorgente(const tabella_compilata& t) {
    const std::array<riferimento, 3> memorizzati{leggi(t[riga_progressiva_tre]),
                                                 leggi(t[riga_progressiva_due]),
                                                 leggi(t[riga_progressiva_uno])};
    std::array<int, 3> ordine{0, 1, 2};
    do {
        std::array<riferimento, 3> prova{};  // rows 81, 82, 83 as read
        for (int r = 0; r < 3; ++r) {
            prova[r] = memorizzati[ordine[r]];
            if (prova[r].v3 == 1) prova[r].v2 = static_cast<int32_t>(int64_t{prova[r].v2} - 100);
        }
        modello m;
        for (int r = 0; r < 3; ++r) {
            voce& v = m.tabella[riga_progressiva_tre + r];
            v.valore1 = prova[r].v1;
            v.valore2 = prova[r].v2;
            v.valore3 = prova[r].v3;
        }
        progressive_ordina(m);
        bool uguale = true;
        for (int r = 0; r < 3; ++r) {
            const riferimento d = leggi(m.tabella[riga_progressiva_tre + r]);
            uguale = uguale && d.v1 == memorizzati[r].v1 && d.v2 == memorizzati[r].v2 &&
                     d.v3 == memorizzati[r].v3;
        }
        if (uguale) return std::array<riferimento, 3>{prova[2], prova[1], prova[0]};
    } while (std::next_permutation(ordine.begin(), ordine.end()));
    return std::nullopt;
}

void sezione_generale_linea(std::string& out, const tabella_compilata& t,
                            std::vector<std::string>& note) {
    riga(out, "[generale]");
    riga(out, "lunghezza percorso,    %d", t[riga_valori_generali].valore2);
    auto rif = riferimenti_sorgente(t);
    if (!rif) {
        note.push_back("kilometre-post references: no three records sort into the stored rows");
        rif = std::array<riferimento, 3>{leggi(t[riga_progressiva_uno]),
                                         leggi(t[riga_progressiva_due]),
                                         leggi(t[riga_progressiva_tre])};
    }
    const char* nomi[3] = {"uno", "due", "tre"};
    for (int i = 0; i < 3; ++i)
        riga(out, "progressiva chilometrica %s,  %6d, %6d, %2d", nomi[i], (*rif)[i].v1,
             (*rif)[i].v2, (*rif)[i].v3);
    const voce& l = t[riga_linea];
    riga(out, "sfondo uno,    %d", l.valore1);
    riga(out, "sfondo due,    %d", l.valore3);
    riga(out, "sfondo tre,    %d", l.valore2);
    const voce& r = t[riga_treno];
    // The number of codes is kept only with a second chainage; without one it is 0.
    const int codici = r.valore3 == 9 ? 9 : 4;
    if (!(r.valore3 == 4 || r.valore3 == 9 || (r.valore3 == 0 && r.valore2 == 0)))
        note.push_back("signal repetition: " + std::to_string(r.valore3) +
                       " codes cannot be given");
    riga(out, "ripetizione segnali %d codici,    %d, %d", codici, r.valore1, r.valore2);
}

// The curvature of each of the six degrees, as the loader gives it.
constexpr const std::array<double, 6>& curvature = curvature_gradi;

bool stesso_reale(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

struct curva_trovata {
    int64_t inizio, lunghezza;
    int grado;  // 1 to 6
    bool sinistra;
};

// The curves of a plan: for each metre the one curvature (0, or one of the twelve
// of the six degrees and two hands) whose step gives the stored point exactly from
// the two points before it; runs of one curvature are the curve records.
std::vector<curva_trovata> curve_del_piano(const planimetria_metrica& p, int32_t estesa,
                                           std::vector<std::string>& note) {
    std::vector<curva_trovata> curve;
    const int32_t ultimo = p.ultimo_metro;
    if (ultimo != estesa || ultimo < 4) {
        note.push_back("plan: " + std::to_string(int64_t{ultimo} + 1) +
                       " points where the line length gives " +
                       std::to_string(int64_t{estesa} + 1));
        return curve;
    }
    auto intero_a = [&](int32_t metro, int c, double v) {
        return p.tipo(metro, c) == tipo_valore::intero && p.valore(metro, c) == v;
    };
    if (!intero_a(0, 0, 0) || !intero_a(0, 1, 0) || !intero_a(1, 0, 0) || !intero_a(1, 1, 1)) {
        note.push_back("plan: metres 0 and 1 are not the seed points (0, 0) and (0, 1)");
        return curve;
    }
    // The candidates, the last one found tried first.
    std::array<double, 13> candidati{};
    candidati[0] = 0.0;
    for (size_t i = 0; i < 6; ++i) {
        candidati[1 + 2 * i] = curvature[i];
        candidati[2 + 2 * i] = -curvature[i];
    }
    ultimi_punti u{0.0, 0.0, 0.0, 1.0};
    double c_corrente = 0.0;
    int64_t inizio_run = -1;
    auto chiudi = [&](int32_t fine_esclusa) {
        if (inizio_run < 0 || c_corrente == 0.0) return;
        const double a = c_corrente < 0 ? -c_corrente : c_corrente;
        int grado = 1;
        for (size_t i = 0; i < 6; ++i)
            if (curvature[i] == a) grado = static_cast<int>(i) + 1;
        curve.push_back({inizio_run - 1, fine_esclusa - inizio_run, grado, c_corrente < 0});
    };
    int32_t t = 2;
    bool guasto = false;
    for (; t <= ultimo; ++t) {
        if (p.tipo(t, 0) != tipo_valore::reale || p.tipo(t, 1) != tipo_valore::reale) break;
        const double x = p.valore(t, 0);
        const double y = p.valore(t, 1);
        std::optional<double> trovata;
        auto prova = [&](double c) {
            ultimi_punti v = u;
            passi_piano(v, t, t + 1, c, [](int32_t, double, double) {});
            if (stesso_reale(v.x1, x) && stesso_reale(v.y1, y)) {
                u = v;
                return true;
            }
            return false;
        };
        if (prova(c_corrente)) {
            trovata = c_corrente;
        } else {
            for (double c : candidati)
                if (c != c_corrente && prova(c)) {
                    trovata = c;
                    break;
                }
        }
        if (!trovata) {
            if (!guasto)
                note.push_back("plan: the point of metre " + std::to_string(t) +
                               " follows from no curvature of the six degrees");
            guasto = true;
            u = {u.x1, x, u.y1, y};
            trovata = 0.0;
        }
        if (*trovata != c_corrente) {
            chiudi(t);
            c_corrente = *trovata;
            inizio_run = t;
        }
    }
    chiudi(t);
    // Reals end at lunghezza_estesa - 2 unless a curve ran to the end; the rest is empty.
    const int32_t fine_reali = t;
    bool forma = fine_reali >= ultimo - 1;
    for (int32_t m = fine_reali; m <= ultimo && forma; ++m)
        forma = p.tipo(m, 0) == tipo_valore::vuoto && p.tipo(m, 1) == tipo_valore::vuoto;
    if (!forma)
        note.push_back("plan: the points stop at metre " + std::to_string(fine_reali) +
                       ", not where the loader ends them");
    return curve;
}

template <class Campo>
void profilo(std::string& out, const std::vector<cella>& celle, const char* parola, Campo campo,
             int scarto, int fattore, const char* nome, std::vector<std::string>& note) {
    const int64_t ultima = static_cast<int64_t>(celle.size()) - 1;
    const int64_t fine = std::max<int64_t>(ultima - 3, 0);
    riga(out, "%s,  %7d,  %4d", parola, 0, (int{campo(celle[0])} - scarto) * fattore);
    for (int64_t i = 1; i <= fine && i <= ultima; ++i)
        if (campo(celle[i]) != campo(celle[i - 1]))
            riga(out, "%s,  %7lld,  %4d", parola, static_cast<long long>(i * metri_cella),
                 (int{campo(celle[i])} - scarto) * fattore);
    for (int64_t i = fine + 1; i <= ultima; ++i)
        if (campo(celle[i]) != 0) {
            note.push_back(std::string(nome) + ": cell " + std::to_string(i) +
                           " past the profile's end holds a value");
            break;
        }
}

void tunnel(std::string& out, const std::vector<cella>& celle, std::vector<std::string>& note) {
    const int64_t n = static_cast<int64_t>(celle.size());
    std::optional<int64_t> fine_precedente;
    int contati = 0;
    for (int64_t i = 0; i < n;) {
        const uint8_t tipo = celle[i].galleria;
        if (tipo == 0) {
            ++i;
            continue;
        }
        const int64_t a = i;
        bool marcata = false;
        while (i < n && celle[i].galleria == tipo) marcata |= celle[i++].evento == evento_galleria;
        const int64_t b = i - 1;
        const int64_t inizio = a * metri_cella;
        const int64_t fine = (b + 1) * metri_cella;
        // A tunnel within 150 m of the one recorded before it takes type 3; an empty
        // tunnel far before it keeps the type.
        if (fine_precedente && inizio - *fine_precedente <= 150 && tipo != 3) {
            if (inizio > 150) {
                riga(out, "- an empty tunnel: the next one keeps its type beside the one before");
                riga(out, "montagna,  %7d,  %7d,  %2d", 0, 0, 0);
                ++contati;
            } else {
                note.push_back("tunnel at " + std::to_string(inizio) + ": type " +
                               std::to_string(tipo) + " next to the tunnel before it");
            }
        }
        // Marks every 200 m come from a type above 10; an unmarked type above 10 is
        // only reached through the low 8 bits of a negative type.
        const int32_t scritto = marcata ? tipo + 10 : (tipo <= 10 ? tipo : tipo - 256);
        riga(out, "montagna,  %7lld,  %7lld,  %2d", static_cast<long long>(inizio),
             static_cast<long long>(fine), scritto);
        fine_precedente = fine;
        ++contati;
    }
    if (contati > massimo_gallerie)
        note.push_back("tunnels: " + std::to_string(contati) + " records, more than the " +
                       std::to_string(massimo_gallerie) + " the loader keeps");
}

void tabelloni(std::string& out, const std::vector<cella>& celle) {
    for (size_t i = 0; i < celle.size(); ++i) {
        const cella& c = celle[i];
        if (c.evento != evento_indicatori_velocita) continue;
        // dato = speed left * 20 + speed right / 5: the right speed a multiple of 5.
        auto coppia = [](int16_t d, int64_t& s, int64_t& r) {
            s = quoziente(d, 20);
            r = (d - s * 20) * 5;
        };
        int64_t vas, vad, vbs, vbd, vcs, vcd;
        coppia(c.dato1, vas, vad);
        coppia(c.dato2, vbs, vbd);
        coppia(c.dato3, vcs, vcd);
        const int64_t ss = quoziente(c.dato4, 10);
        const int64_t sd = c.dato4 - ss * 10;
        riga(
            out,
            "indicatori_vmax,  %7lld,  %3lld,  %3lld,  %3lld,  %lld,  %3lld,  %3lld,  %3lld,  %lld",
            static_cast<long long>(progressiva_evento(static_cast<int64_t>(i))),
            static_cast<long long>(vas), static_cast<long long>(vbs), static_cast<long long>(vcs),
            static_cast<long long>(ss), static_cast<long long>(vad), static_cast<long long>(vbd),
            static_cast<long long>(vcd), static_cast<long long>(sd));
    }
}

// Direction boards in the order of their rows (80 first), which is the order the
// loader gave them their rows in.
void cartelli(std::string& out, const insieme_compilato& s, int& righe_cartelli,
              std::vector<std::string>& note) {
    std::map<int, size_t, std::greater<int>> per_riga;
    for (size_t i = 0; i < s.celle.size(); ++i)
        if (s.celle[i].evento == evento_cartello) {
            const int r = s.celle[i].dato1;
            if (r < riga_ultimo_cartello || r > riga_primo_cartello || per_riga.count(r)) {
                note.push_back("direction board in cell " + std::to_string(i) + ": row " +
                               std::to_string(r) + " is not a board row of its own");
                continue;
            }
            per_riga[r] = i;
        }
    int atteso = riga_primo_cartello;
    for (const auto& [r, i] : per_riga) {
        if (r != atteso)
            note.push_back("direction boards: row " + std::to_string(atteso) +
                           " has no board; rows are given in order from 80");
        atteso = r - 1;
        const std::string& testo = s.tabella[static_cast<size_t>(r)].testo;
        if (!testo_riproducibile(testo))
            note.push_back("direction board in cell " + std::to_string(i) +
                           ": its text cannot be written as one item");
        riga_testo(
            out,
            "cartello_indicatore,  " +
                std::string(std::max<int>(
                                0, 7 - static_cast<int>(std::to_string(progressiva_evento(
                                                                           static_cast<int64_t>(i)))
                                                            .size())),
                            ' ') +
                std::to_string(progressiva_evento(static_cast<int64_t>(i))) + ",   ",
            testo);
    }
    righe_cartelli = static_cast<int>(per_riga.size());
}

std::string file_linea(const insieme_compilato& s, int& righe_cartelli,
                       std::vector<std::string>& note) {
    std::string out;
    riga(out, "%s", intestazione);
    sezione_generale_linea(out, s.tabella, note);
    const int32_t lunghezza = s.tabella[riga_valori_generali].valore2;
    riga(out, "[curve]");
    if (s.piano) {
        const int64_t estesa = int64_t{lunghezza} + 7000;
        for (const curva_trovata& c : curve_del_piano(
                 *s.piano, static_cast<int32_t>(std::clamp<int64_t>(estesa, -1, INT32_MAX)), note))
            riga(out, "curva%c%d,  %7lld,  %5lld", c.sinistra ? 's' : 'd', c.grado,
                 static_cast<long long>(c.inizio), static_cast<long long>(c.lunghezza));
    } else {
        riga(out, "- no plan file: the curves are left out");
    }
    riga(out, "[pendenze]");
    profilo(
        out, s.celle, "pendenza", [](const cella& c) { return c.pendenza; }, 100, 1, "gradient",
        note);
    riga(out, "[montagne]");
    tunnel(out, s.celle, note);
    riga(out, "[cartelli]");
    tabelloni(out, s.celle);
    riga(out, "[indicazioni]");
    cartelli(out, s, righe_cartelli, note);
    riga(out, "[fine]");
    return out;
}

// ---- Train file -------------------------------------------------------------------

bool riga_vuota(const voce& v) {
    bool vuota = v.testo.empty();
    campi_numerici_voce(v, [&](const char*, const auto& campo) { vuota = vuota && campo == 0; });
    return vuota;
}

void stazioni(std::string& out, const tabella_compilata& t, int righe_cartelli,
              std::vector<std::string>& note) {
    const int limite = riga_primo_cartello - righe_cartelli;
    for (int k = riga_prima_stazione; k < limite; ++k) {
        const voce& r = t[static_cast<size_t>(k)];
        if (riga_vuota(r)) break;
        const int64_t ch = r.valore3;
        int64_t lung = 0;
        int est = 0;
        const int tipo = r.genere;
        if (tipo == 5 || tipo == 6) {
            lung = ch - r.valore1;
        } else if (tipo == 7 || tipo == 8) {
            lung = ch - r.valore1;
        } else {
            lung = 2 * (ch - r.valore1);
            const int64_t fine = ch + lung / 2;
            if (k == riga_prima_stazione)
                est = r.valore2 - fine == 50 ? 1 : 0;  // stored as 0 for the first station
            else
                est = r.ottetto3;
        }
        if (!testo_riproducibile(r.testo))
            note.push_back("station in row " + std::to_string(k) +
                           ": its name cannot be written as one item");
        const int64_t ora = r.codice / 3600;
        const int64_t minuti = (r.codice - ora * 3600) / 60;
        const int64_t secondi = r.codice - ora * 3600 - minuti * 60;
        char testa[256];
        std::snprintf(testa, sizeof testa,
                      "stazione,  %7lld, %2d, %4lld,  %d, %d, %d,  %d,%d,%d,  %d,%d,%d,  %3d,  "
                      "%lld,%lld,%lld, ",
                      static_cast<long long>(ch), tipo, static_cast<long long>(lung), r.stato,
                      r.ottetto4, est, r.intero1, r.intero2, r.ottetto1, r.intero3, r.intero4,
                      r.intero5, r.ottetto2, static_cast<long long>(ora),
                      static_cast<long long>(minuti), static_cast<long long>(secondi));
        riga_testo(out, testa, r.testo);
    }
}

void rallentamenti(std::string& out, const std::vector<cella>& celle) {
    const int64_t n = static_cast<int64_t>(celle.size());
    std::vector<bool> usata(celle.size(), false);
    for (int64_t sc = 0; sc < n; ++sc) {
        const cella& s = celle[static_cast<size_t>(sc)];
        if (s.evento != evento_inizio_rallentamento) continue;
        // The end board: the first free end after the start with the same values;
        // none when start and end share the cell.
        int64_t ec = sc;
        for (int64_t j = sc + 1; j < n; ++j) {
            const cella& e = celle[static_cast<size_t>(j)];
            if (e.evento == evento_fine_rallentamento && !usata[static_cast<size_t>(j)] &&
                e.dato1 == s.dato1 && e.dato2 == s.dato2 && e.dato3 == s.dato3) {
                ec = j;
                usata[static_cast<size_t>(j)] = true;
                break;
            }
        }
        int64_t x = progressiva_evento(sc);
        const int64_t wc = sc - 24;
        const bool avviso =
            wc >= 0 && celle[static_cast<size_t>(wc)].evento == evento_avviso_rallentamento;
        // A start at 1500 m has no warning board; one a little past it has.
        if (x == 1500 && avviso) x = 1510;
        int f_ta = 0;
        if (x > 1500 && wc - 1 >= 0) {
            const cella& passo = celle[static_cast<size_t>(wc - 1)];
            f_ta = passo.evento == evento_passo_avviso && passo.dato1 == 1 ? 1 : 0;
        }
        const int64_t l = progressiva_evento(ec) - x;
        riga(out, "rallentamento,  %7lld,  %4d,  %5lld,  %d,  %d,  %4d", static_cast<long long>(x),
             s.dato1, static_cast<long long>(l), s.dato3, f_ta, s.dato2);
    }
}

void segnali(std::string& out, const std::vector<cella>& celle) {
    const int64_t n = static_cast<int64_t>(celle.size());
    auto segnale_in = [&](int64_t c) {
        return c >= 0 && c < n && celle[static_cast<size_t>(c)].evento == evento_segnale;
    };
    for (int64_t k = 0; k < n; ++k) {
        const cella& c = celle[static_cast<size_t>(k)];
        if (c.evento != evento_segnale) continue;
        // dato4 = rapp * 10 + (sx * 3 + dx); the approach marks carry (sx * 3 + dx) * 10 + j
        // in 8 bits, which tells the side value when it has more than one digit.
        const int64_t d4 = c.dato4;
        const int64_t base = d4 - quoziente(d4, 10) * 10;
        int64_t lato = base;
        for (int j = 1; j <= 4; ++j) {
            const int64_t m = k - 2 * j;
            if (m < 0) break;
            bool coperta = false;  // a later signal writes the same mark cell
            for (int jj = j + 1; jj <= 4; ++jj) coperta |= segnale_in(m + 2 * jj);
            if (coperta) continue;
            const uint8_t marca = celle[static_cast<size_t>(m)].marca;
            for (int64_t r = 0; r <= 60; ++r) {
                bool trovato = false;
                for (int64_t segno : {int64_t{1}, int64_t{-1}}) {
                    const int64_t q = base + segno * 10 * r;
                    if (static_cast<uint8_t>(q * 10 + j) == marca) {
                        lato = q;
                        trovato = true;
                        break;
                    }
                }
                if (trovato) break;
            }
            break;
        }
        int64_t sx, dx;
        int64_t tempo = 0;
        if (c.tempo != 0) {
            sx = 2;
            dx = lato - 6;
            tempo = c.tempo <= 100 ? c.tempo + 256 : c.tempo;  // 1 to 100 become 101
        } else {
            sx = quoziente(lato, 3);
            dx = lato - sx * 3;
        }
        const int64_t rapp = (d4 - lato) / 10;
        auto cifre = [](int16_t d, int64_t& s, int64_t& r) {
            s = quoziente(d, 10);
            r = d - s * 10;
        };
        int64_t s1, d1, s2, d2, s3, d3;
        cifre(c.dato1, s1, d1);
        cifre(c.dato2, s2, d2);
        cifre(c.dato3, s3, d3);
        riga(out, "segnale,  %7lld,  %lld, %lld, %lld, %lld,  %lld,  %lld,  %lld,%lld,%lld,  %lld",
             static_cast<long long>(progressiva_evento(k)), static_cast<long long>(sx),
             static_cast<long long>(s1), static_cast<long long>(s2), static_cast<long long>(s3),
             static_cast<long long>(rapp), static_cast<long long>(dx), static_cast<long long>(d1),
             static_cast<long long>(d2), static_cast<long long>(d3), static_cast<long long>(tempo));
    }
}

std::string testa_treno(const insieme_compilato& s, int righe_cartelli,
                        std::vector<std::string>& note) {
    const tabella_compilata& t = s.tabella;
    std::string out;
    riga(out, "%s", intestazione);
    riga(out, "[generale]");
    riga(out, "numero vetture,    %d", t[riga_valori_generali].valore3);
    riga(out, "percentuale massa frenata,    %d", t[riga_valori_generali].valore1);
    riga(out, "sabbia,    %d", t[riga_treno].intero1);
    riga(out, "orologio,    %d, %d, %d", t[riga_treno].intero3, t[riga_treno].intero4,
         t[riga_treno].intero5);
    riga(out, "[aderenze]");
    profilo(
        out, s.celle, "aderenza", [](const cella& c) { return c.aderenza; }, 0, 1, "adhesion",
        note);
    riga(out, "[vel_limite]");
    profilo(
        out, s.celle, "velocita", [](const cella& c) { return c.velocita; }, 0, 5, "speed limit",
        note);
    riga(out, "[stazioni]");
    stazioni(out, t, righe_cartelli, note);
    riga(out, "[rallentamenti]");
    rallentamenti(out, s.celle);
    riga(out, "[segnali]");
    segnali(out, s.celle);
    riga(out, "[codici]");
    return out;
}

bool marca_codice(const cella& c) {
    return c.evento == evento_codice || c.evento == evento_codice_senza_valore;
}

std::string codici(const std::vector<cella>& celle, const std::set<size_t>& scelte) {
    std::string out;
    for (size_t i : scelte) {
        const cella& c = celle[i];
        // A value of 0 or less stands for a mark without value; a stored value of 0
        // or less comes from the low 16 bits of a larger one.
        int64_t valore = 0;
        if (c.evento == evento_codice) valore = c.dato1 > 0 ? c.dato1 : int64_t{c.dato1} + 65536;
        riga(out, "abbattimento,  %7lld,  %5lld",
             static_cast<long long>(inizio_cella(static_cast<int64_t>(i))),
             static_cast<long long>(valore));
    }
    return out;
}

// Texts of the table are Windows-1252 bytes. A file whose bytes happen to be valid
// UTF-8 as a whole would be read as UTF-8 and its texts changed; a line that is not
// UTF-8 ("\xAB" alone), before "[generale]" where nothing is read, keeps it Windows-1252.
void resta_windows_1252(std::string& testo) {
    if (!reads_as_utf8(testo)) return;
    const size_t dopo_intestazione = testo.find("\r\n") + 2;
    testo.insert(dopo_intestazione, "-- text in Windows-1252: \xABWindows-1252\xBB --\r\n");
}

}  // namespace

decompilazione decompila(const insieme_compilato& s, const std::string& linea,
                         const std::string& treno) {
    decompilazione d;
    if (s.celle.empty()) {
        d.non_riproducibili.push_back("cells: the set has none");
        return d;
    }
    int righe_cartelli = 0;
    d.testo_linea = file_linea(s, righe_cartelli, d.non_riproducibili);
    resta_windows_1252(d.testo_linea);
    std::string testa = testa_treno(s, righe_cartelli, d.non_riproducibili);
    resta_windows_1252(testa);

    // Code marks: the compile places its own. A mark the compile places with another
    // value is a record; of the marks it does not place, the first is taken as a
    // record and the compile asked again, since a record moves the marks placed after
    // it. Last, a record of value 180 that the compile would place by itself goes.
    std::set<size_t> scelte;
    auto compila_con = [&](const std::set<size_t>& marche) {
        return compila_testi(d.testo_linea, testa + codici(s.celle, marche) + "[fine]\r\n", linea,
                             treno, 0);
    };
    auto senza_guasti = [](const modello& m) {
        if (m.errore_numero != 0) return false;
        for (const diagnostica& x : m.diagnostiche)
            if (!x.avviso) return false;
        return true;
    };
    constexpr int giri_massimi = 400;
    for (int giro = 0; giro < giri_massimi; ++giro) {
        const modello m = compila_con(scelte);
        if (m.celle.size() != s.celle.size()) break;
        std::vector<size_t> certe;
        std::optional<size_t> prima_mancante;
        for (size_t i = 0; i < s.celle.size(); ++i) {
            const cella& f = s.celle[i];
            const cella& r = m.celle[i];
            if (!marca_codice(f) || scelte.count(i)) continue;
            if (marca_codice(r) && (r.evento != f.evento || r.dato1 != f.dato1))
                certe.push_back(i);
            else if (!marca_codice(r) && !prima_mancante)
                prima_mancante = i;
        }
        if (!certe.empty())
            scelte.insert(certe.begin(), certe.end());
        else if (prima_mancante)
            scelte.insert(*prima_mancante);
        else
            break;
    }
    const std::vector<size_t> da_provare(scelte.begin(), scelte.end());
    for (size_t i : da_provare) {
        if (s.celle[i].evento != evento_codice || s.celle[i].dato1 != codice_normale) continue;
        std::set<size_t> senza = scelte;
        senza.erase(i);
        const modello m = compila_con(senza);
        if (!senza_guasti(m) || m.celle.size() != s.celle.size()) continue;
        bool uguali = true;
        for (size_t k = 0; k < s.celle.size() && uguali; ++k)
            uguali = marca_codice(s.celle[k]) == marca_codice(m.celle[k]) &&
                     s.celle[k].evento == m.celle[k].evento && s.celle[k].dato1 == m.celle[k].dato1;
        if (uguali) scelte = std::move(senza);
    }
    d.testo_treno = testa + codici(s.celle, scelte) + "[fine]\r\n";
    return d;
}

}  // namespace binario
