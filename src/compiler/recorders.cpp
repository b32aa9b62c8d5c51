#include "compiler/recorders.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "common/rounding.h"

namespace binario {

namespace {

constexpr int32_t errore_fuori_linea = errore_caricamento;

// The highest cell index that may be read or written: ultima_cella, unless the
// array is shorter than that.
int64_t ultima_scrivibile(const modello& m) {
    return std::min<int64_t>(m.ultima_cella, static_cast<int64_t>(m.celle.size()) - 1);
}

bool sulla_linea(const modello& m, int64_t c) {
    return c >= 0 && c <= ultima_scrivibile(m);
}

cella& cella_di(modello& m, int64_t c) {
    return m.celle[static_cast<size_t>(c)];
}
const cella& cella_di(const modello& m, int64_t c) {
    return m.celle[static_cast<size_t>(c)];
}

std::string testo(int64_t v) {
    return std::to_string(v);
}

std::string fuori_linea(const std::string& cosa, int64_t c, const modello& m) {
    return cosa + " cell " + testo(c) + " is outside the line (cells 0 to " +
           testo(ultima_scrivibile(m)) + ")";
}

std::string occupata(const std::string& cosa, int64_t c, const modello& m) {
    return cosa + " cell " + testo(c) + " is already taken by " + chi_occupa(m, c);
}

// Moves the three values of one kilometre-post reference as a whole.
struct riferimento {
    int32_t v1 = 0;
    int32_t v2 = 0;
    int32_t v3 = 0;
};

riferimento leggi_riferimento(const voce& r) {
    return {r.valore1, r.valore2, r.valore3};
}

void scrivi_riferimento(voce& r, const riferimento& x) {
    r.valore1 = x.v1;
    r.valore2 = x.v2;
    r.valore3 = x.v3;
}

// Where a record lies, after its description: in the file being read the line
// says enough; otherwise the other file's name too.
std::string dove_record(const modello& m, uint8_t file, int32_t riga) {
    if (file == m.file_corrente) return " (line " + testo(riga) + ")";
    const std::string& nome = m.nomi_file[file];
    const std::string base = nome.substr(nome.find_last_of("/\\") + 1);
    return " (" + base + ", line " + testo(riga) + ")";
}

}  // namespace

void segna_origine(modello& m, int64_t c, int32_t progressiva) {
    if (c < 0 || c >= static_cast<int64_t>(m.origini.size())) return;
    origine_evento& o = m.origini[static_cast<size_t>(c)];
    o.riga = m.riga_corrente;
    o.progressiva = progressiva;
    o.file = m.file_corrente;
    o.evento = m.celle[static_cast<size_t>(c)].evento;
}

std::string chi_occupa(const modello& m, int64_t c) {
    const uint8_t evento = cella_di(m, c).evento;
    const origine_evento* o =
        c < static_cast<int64_t>(m.origini.size()) ? &m.origini[static_cast<size_t>(c)] : nullptr;
    if (o == nullptr || o->evento != evento || o->file == 0) {
        const char* nome = nome_evento_cella(evento);
        return std::string(nome ? nome : "an unknown event") + " (event " + testo(evento) + ")";
    }
    const std::string a = " at " + testo(o->progressiva) + " m";
    std::string cosa;
    switch (evento) {
        case evento_segnale:
            cosa = "the signal" + a;
            break;
        case evento_fine_rallentamento:
            cosa = "the end board of the slowdown" + a;
            break;
        case evento_inizio_rallentamento:
            cosa = "the start board of the slowdown" + a;
            break;
        case evento_avviso_rallentamento:
            cosa = "the warning board of the slowdown" + a;
            break;
        case evento_passo_avviso:
            cosa = "an approach step of the slowdown" + a;
            break;
        case evento_indicatori_velocita:
            cosa = "the speed boards" + a;
            break;
        case evento_stazione:
            cosa = "the mark of the station" + a;
            break;
        case evento_codice:
        case evento_codice_senza_valore:
            cosa = "the code mark" + a;
            break;
        case evento_cartello:
            cosa = "the direction board" + a;
            break;
        default:
            cosa =
                std::string(nome_evento_cella(evento) ? nome_evento_cella(evento) : "an event") + a;
    }
    return cosa + dove_record(m, o->file, o->riga);
}

void marche_avvicinamento::scrivi(int64_t c, uint8_t valore) {
    cella& z = cella_di(m_, c);
    if (c < static_cast<int64_t>(m_.origini.size())) {
        origine_evento& o = m_.origini[static_cast<size_t>(c)];
        if (z.marca != 0 && z.marca != valore && o.marca_di != origine_evento::autore::nessuno &&
            n_ < 4)
            sostituite_[n_++] = {c, o};
        o.marca_di = chi_;
        o.marca_file = m_.file_corrente;
        o.marca_riga = m_.riga_corrente;
        o.marca_progressiva = progressiva_;
    }
    z.marca = valore;
}

void marche_avvicinamento::avvisa() {
    const auto di = [](origine_evento::autore a) {
        return a == origine_evento::autore::segnale ? "the signal" : "the station";
    };
    for (int i = 0; i < n_; ++i) {
        const origine_evento& o = sostituite_[i].prima;
        bool gia_detto = false;
        for (int j = 0; j < i; ++j)
            gia_detto = gia_detto || (sostituite_[j].prima.marca_file == o.marca_file &&
                                      sostituite_[j].prima.marca_riga == o.marca_riga);
        if (gia_detto) continue;
        std::string celle;
        int quante = 0;
        for (int j = i; j < n_; ++j) {
            const origine_evento& p = sostituite_[j].prima;
            if (p.marca_file != o.marca_file || p.marca_riga != o.marca_riga) continue;
            if (quante > 0) celle += ", ";
            celle += testo(sostituite_[j].cella);
            ++quante;
        }
        registra_avviso(m_, "event-overwritten",
                        "the approach marks of " + std::string(di(chi_)) + " at chainage " +
                            testo(progressiva_) + " replace those of " + di(o.marca_di) + " at " +
                            testo(o.marca_progressiva) + " m" +
                            dove_record(m_, o.marca_file, o.marca_riga) +
                            (quante == 1 ? " in cell " : " in cells ") + celle);
    }
}

int16_t basso16(modello& m, int64_t v, const std::string& cosa) {
    const auto b = static_cast<int16_t>(v);
    if (b != v)
        registra_avviso(m, "value-truncated",
                        cosa + " " + testo(v) +
                            " does not fit 16 bits (-32768 to 32767); it is "
                            "stored by its low bits as " +
                            testo(b));
    return b;
}

uint8_t basso8(modello& m, int64_t v, const std::string& cosa) {
    const auto b = static_cast<uint8_t>(v);
    if (b != v)
        registra_avviso(m, "value-truncated",
                        cosa + " " + testo(v) +
                            " does not fit a byte (0 to 255); it is stored "
                            "by its low bits as " +
                            testo(b));
    return b;
}

void progressive_ordina(modello& m) {
    const riferimento a = leggi_riferimento(m.tabella[riga_progressiva_tre]);
    const riferimento b = leggi_riferimento(m.tabella[riga_progressiva_due]);
    const riferimento c = leggi_riferimento(m.tabella[riga_progressiva_uno]);
    std::array<riferimento, 3> nuovo{a, b, c};

    const int64_t somma = int64_t{a.v1} + b.v1 + c.v1;
    if (somma != 0) {
        // Rows in their old order 81, 82, 83; the strictly greatest first value leads.
        const std::array<riferimento, 3> vecchi{a, b, c};
        std::optional<int> primo;
        for (int r = 0; r < 3; ++r) {
            bool maggiore = true;
            for (int o = 0; o < 3; ++o) {
                if (o != r && !(vecchi[r].v1 > vecchi[o].v1)) maggiore = false;
            }
            if (maggiore) primo = r;
        }
        if (!primo) {
            nuovo = {};
        } else {
            // The other two in ascending old row number: on equal first values the
            // one from the higher row goes second.
            int basso = -1;
            int alto = -1;
            for (int r = 0; r < 3; ++r) {
                if (r == *primo) continue;
                if (basso < 0) {
                    basso = r;
                } else {
                    alto = r;
                }
            }
            const bool alto_secondo = vecchi[alto].v1 >= vecchi[basso].v1;
            nuovo[0] = vecchi[*primo];
            nuovo[1] = alto_secondo ? vecchi[alto] : vecchi[basso];
            nuovo[2] = alto_secondo ? vecchi[basso] : vecchi[alto];
        }
    } else if (c.v2 > 0) {
        nuovo = {c, b, a};
    } else if (b.v2 > 0) {
        nuovo = {b, a, c};
    } else if (a.v2 > 0) {
        // Already in order.
    } else {
        nuovo = {};
    }

    for (riferimento& r : nuovo) {
        if (r.v3 == 1) r.v2 = static_cast<int32_t>(int64_t{r.v2} + 100);
    }
    scrivi_riferimento(m.tabella[riga_progressiva_tre], nuovo[0]);
    scrivi_riferimento(m.tabella[riga_progressiva_due], nuovo[1]);
    scrivi_riferimento(m.tabella[riga_progressiva_uno], nuovo[2]);
}

bool memo_montagna(modello& m, int32_t& inizio, int32_t& fine, int32_t& tipo) {
    const int32_t n = m.numero_gallerie + 1;
    if (n < 1 || n > massimo_gallerie) {
        registra_errore(m, errore_fuori_linea, inizio,
                        "tunnel at chainage " + testo(inizio) + ": more than " +
                            testo(massimo_gallerie) + " tunnels");
        return false;
    }

    const bool segnata = tipo > 10;
    if (segnata) tipo -= 10;

    m.numero_gallerie = n;
    m.inizio_gallerie[static_cast<size_t>(n)] = inizio;
    m.fine_gallerie[static_cast<size_t>(n)] = fine;
    bool vicina = false;
    if (n > 1) {
        const int64_t distacco = int64_t{m.inizio_gallerie[static_cast<size_t>(n)]} -
                                 m.fine_gallerie[static_cast<size_t>(n - 1)];
        vicina = distacco <= 150;
        if (distacco < 0)
            registra_avviso(m, "tunnel-overlap",
                            "tunnel at chainage " + testo(inizio) +
                                " starts before the previous tunnel ends at " +
                                testo(m.fine_gallerie[static_cast<size_t>(n - 1)]) +
                                ": it is given type 3, and the cells they share are this "
                                "tunnel's");
    }
    // A tunnel close to the one before takes type 3 whatever was written: only a type
    // that is stored can lose bits.
    if (vicina)
        tipo = 3;
    else if (tipo != static_cast<uint8_t>(tipo))
        basso8(m, tipo, "tunnel at chainage " + testo(inizio) + ": type");

    // Cells are counted 1, 2, 3, ... from the first cell of the range, whether or
    // not they lie on the line; only those on the line are written.
    const int64_t prima = cella_profilo(inizio);
    const int64_t ultima = arrotonda(static_cast<double>(fine) / metri_cella - 1.0);
    const int64_t da = std::max<int64_t>(prima, 0);
    const int64_t a = std::min<int64_t>(ultima, ultima_scrivibile(m));
    for (int64_t c = da; c <= a; ++c) {
        cella& z = cella_di(m, c);
        z.galleria = static_cast<uint8_t>(tipo);
        const int64_t conto = c - prima + 1;
        if (segnata && conto % 4 == 0 && z.evento == evento_nessuno) z.evento = evento_galleria;
    }
    return true;
}

bool memo_rallentamento(modello& m, int32_t x, int32_t& v, int32_t& l, int32_t& f_tt, int32_t f_ta,
                        int32_t& d_v) {
    const std::string chi = "slowdown at chainage " + testo(x) + ":";
    const bool avviso = x > 1500;
    if (!avviso) f_ta = 0;
    const int64_t s = cella_evento(x);
    const int64_t e = cella_evento(int64_t{x} + l);
    const int64_t w = avviso ? cella_evento(int64_t{x} - 1200) : 0;
    const int64_t passo = cella_profilo(int64_t{x} - 1200);

    // Every cell the record may write must lie on the line before anything is written.
    if (avviso && !sulla_linea(m, w)) {
        registra_errore(m, errore_fuori_linea, x, fuori_linea(chi + " warning board", w, m));
        return false;
    }
    if (!sulla_linea(m, s)) {
        registra_errore(m, errore_fuori_linea, x, fuori_linea(chi + " start", s, m));
        return false;
    }
    if (!sulla_linea(m, e)) {
        registra_errore(m, errore_fuori_linea, x, fuori_linea(chi + " end", e, m));
        return false;
    }
    if (f_ta != 0) {
        for (int64_t c : {passo, passo - 3}) {
            if (!sulla_linea(m, c)) {
                registra_errore(m, errore_fuori_linea, x,
                                fuori_linea(chi + " approach step", c, m));
                return false;
            }
        }
    }

    if (avviso && !cella_libera(cella_di(m, w))) {
        registra_errore(m, errore_avviso_occupato, x, occupata(chi + " warning board", w, m));
        return false;
    }
    if (!cella_libera(cella_di(m, s))) {
        registra_errore(m, errore_inizio_occupato, x, occupata(chi + " start", s, m));
        return false;
    }
    if (!cella_libera(cella_di(m, e))) {
        registra_errore(m, errore_fine_occupata, x, occupata(chi + " end", e, m));
        return false;
    }

    // The values are checked once; the cells take their low bits.
    const int16_t v16 = basso16(m, v, chi + " speed v");
    const int16_t f_tt16 = basso16(m, f_tt, chi + " f_tt");
    const int16_t d_v16 = d_v != 0 ? basso16(m, d_v, chi + " d_v") : int16_t{0};
    if (s == e)
        registra_avviso(m, "event-overwritten",
                        chi + " its start and end fall into the same cell " + testo(s) +
                            " (length " + testo(l) + " m): the start board replaces the end board");
    cella_di(m, e).evento = evento_fine_rallentamento;
    if (d_v != 0) cella_di(m, e).dato2 = d_v16;
    cella_di(m, s).evento = evento_inizio_rallentamento;
    if (d_v != 0) cella_di(m, s).dato2 = d_v16;
    if (avviso) {
        cella& z = cella_di(m, w);
        z.evento = evento_avviso_rallentamento;
        if (d_v != 0) z.dato2 = d_v16;
        z.dato1 = v16;
        segna_origine(m, w, x);
    }
    cella_di(m, s).dato1 = v16;
    cella_di(m, e).dato1 = v16;
    cella_di(m, s).dato3 = f_tt16;
    cella_di(m, e).dato3 = f_tt16;
    segna_origine(m, e, x);
    segna_origine(m, s, x);

    if (f_ta != 0) {
        for (int64_t j = 0; j < 4; ++j) {
            if (!cella_libera(cella_di(m, passo - j))) {
                registra_errore(m, errore_passo_avviso_occupato, x,
                                occupata(chi + " approach step", passo - j, m));
                return false;
            }
        }
        for (int64_t j = 0; j < 4; ++j) {
            cella& z = cella_di(m, passo - j);
            z.evento = evento_passo_avviso;
            z.dato1 = static_cast<int16_t>(j + 1);
            if (d_v != 0) z.dato2 = static_cast<int16_t>(j + 1);
            segna_origine(m, passo - j, x);
        }
    }
    return true;
}

bool memo_segnale(modello& m, int32_t posizione, int32_t& sx, int32_t& s1, int32_t& s2, int32_t& s3,
                  int32_t& rapp, int32_t& dx, int32_t& d1, int32_t& d2, int32_t& d3,
                  int32_t& tempo) {
    const std::string chi = "signal at chainage " + testo(posizione) + ":";
    const int64_t k = cella_evento(posizione);
    if (!sulla_linea(m, k)) {
        registra_errore(m, errore_fuori_linea, posizione, fuori_linea(chi, k, m));
        return false;
    }
    if (!cella_libera(cella_di(m, k))) {
        registra_errore(m, errore_segnale_occupato, posizione, occupata(chi, k, m));
        return false;
    }

    cella& z = cella_di(m, k);
    z.evento = evento_segnale;
    const int64_t lato = int64_t{sx} * 3 + dx;
    z.dato4 = basso16(m, int64_t{rapp} * 10 + lato, chi + " rapp x 10 + sx x 3 + dx =");
    z.dato1 = basso16(m, int64_t{s1} * 10 + d1, chi + " s1 x 10 + d1 =");
    z.dato2 = basso16(m, int64_t{s2} * 10 + d2, chi + " s2 x 10 + d2 =");
    z.dato3 = basso16(m, int64_t{s3} * 10 + d3, chi + " s3 x 10 + d3 =");
    segna_origine(m, k, posizione);
    if (tempo >= 1 && tempo <= 100) tempo = 101;
    z.tempo = sx == 2 ? basso8(m, tempo, chi + " tempo") : 0;

    // Approach marks 100, 200, 300 and 400 m before the signal; those that would
    // fall before the start of the line are left out.
    marche_avvicinamento marche(m, origine_evento::autore::segnale, posizione);
    for (int64_t j = 1; j <= 4; ++j) {
        const int64_t c = k - 2 * j;
        if (sulla_linea(m, c))
            marche.scrivi(c, j == 1 ? basso8(m, lato * 10 + j,
                                             chi + " approach mark (sx x 3 + dx) x 10 + 1 =")
                                    : static_cast<uint8_t>(lato * 10 + j));
    }
    marche.avvisa();
    return true;
}

bool memo_indicatori_v_max(modello& m, int32_t posizione, int32_t& vas, int32_t& vbs, int32_t& vcs,
                           int32_t& strisces, int32_t& vad, int32_t& vbd, int32_t& vcd,
                           int32_t& strisced) {
    const std::string chi = "speed board at chainage " + testo(posizione) + ":";
    const int64_t k = cella_evento(posizione);
    if (!sulla_linea(m, k)) {
        registra_errore(m, errore_fuori_linea, posizione, fuori_linea(chi, k, m));
        return false;
    }
    if (!cella_libera(cella_di(m, k))) {
        registra_errore(m, errore_indicatori_occupati, posizione, occupata(chi, k, m));
        return false;
    }

    const std::array<int32_t, 3> sinistra{vas, vbs, vcs};
    const std::array<int32_t, 3> destra{vad, vbd, vcd};
    std::array<int16_t, 3> valori{};
    for (size_t i = 0; i < 3; ++i) {
        const int64_t r = arrotonda(static_cast<double>(destra[i]) / 5.0 +
                                    static_cast<double>(sinistra[i]) * 20.0);
        if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max()) {
            registra_errore(m, errore_fuori_linea, posizione,
                            chi + " speeds " + testo(sinistra[i]) + " and " + testo(destra[i]) +
                                " give " + testo(r) + ", which does not fit 16 bits");
            return false;
        }
        valori[i] = static_cast<int16_t>(r);
    }

    cella& z = cella_di(m, k);
    z.evento = evento_indicatori_velocita;
    z.dato1 = valori[0];
    z.dato2 = valori[1];
    z.dato3 = valori[2];
    z.dato4 = basso16(m, int64_t{strisces} * 10 + strisced, chi + " strisces x 10 + strisced =");
    segna_origine(m, k, posizione);
    return true;
}

}  // namespace binario
