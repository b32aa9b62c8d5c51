#include "formats/compiled_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "formats/compiled_records.h"

namespace binario {

namespace {

template <typename T>
esito_decodifica<T> rifiuta(size_t offset, std::string motivo) {
    esito_decodifica<T> e;
    e.errore = errore_decodifica{offset, std::move(motivo)};
    return e;
}

std::string campo_tronco(size_t riga, const char* campo, size_t serve, size_t resta) {
    return "row " + std::to_string(riga) + ": field " + campo + " needs " + std::to_string(serve) +
           " bytes, " + std::to_string(resta) + " left";
}

}  // namespace

esito_decodifica<tabella_compilata> decodifica_tabella(std::string_view dati) {
    esito_decodifica<tabella_compilata> esito;
    lettore_byte in(dati);
    std::optional<errore_decodifica> errore;
    size_t r = 0;
    // Reads one fixed-width field, unless an earlier one already failed.
    auto fisso = [&](auto& destinazione, const char* nome) {
        if (errore || leggi_campo(in, destinazione)) return;
        errore = errore_decodifica{in.posizione(),
                                   campo_tronco(r, nome, sizeof destinazione, in.rimasti())};
    };
    // The text: its 16-bit length, then that many bytes.
    auto testo = [&](std::string& destinazione, const char* nome) {
        uint16_t lunghezza = 0;
        fisso(lunghezza, "length of testo");
        if (errore || in.blocco(lunghezza, destinazione)) return;
        errore =
            errore_decodifica{in.posizione(), "row " + std::to_string(r) + ": " + nome + " of " +
                                                  std::to_string(lunghezza) + " bytes, only " +
                                                  std::to_string(in.rimasti()) + " left"};
    };
    for (r = 0; r < esito.dati.size() && !errore; ++r) {
        campi_voce(esito.dati[r], [&](const char* nome, auto& campo) {
            if constexpr (std::is_same_v<std::remove_cvref_t<decltype(campo)>, std::string>)
                testo(campo, nome);
            else
                fisso(campo, nome);
        });
    }
    if (errore) return rifiuta<tabella_compilata>(errore->offset, std::move(errore->motivo));
    if (!in.finito())
        return rifiuta<tabella_compilata>(
            in.posizione(), std::to_string(in.rimasti()) + " trailing bytes after the " +
                                std::to_string(numero_voci) + " rows");
    return esito;
}

esito_decodifica<std::vector<cella>> decodifica_celle(std::string_view dati) {
    using celle = std::vector<cella>;
    if (dati.empty()) return rifiuta<celle>(0, "empty file: a cell file holds at least one cell");
    const size_t intere = dati.size() / byte_cella;
    const size_t avanzo = dati.size() % byte_cella;
    if (avanzo != 0)
        return rifiuta<celle>(intere * byte_cella,
                              "size " + std::to_string(dati.size()) +
                                  " is not a whole number of 15-byte cells: cell " +
                                  std::to_string(intere) + " has only " + std::to_string(avanzo) +
                                  " bytes");
    esito_decodifica<celle> esito;
    esito.dati.resize(intere);
    lettore_byte in(dati);
    // The size was checked above, so every read below succeeds.
    for (cella& c : esito.dati)
        campi_cella(c, [&in](const char*, auto& campo) { leggi_campo(in, campo); });
    return esito;
}

esito_decodifica<planimetria_metrica> decodifica_piano(std::string_view dati) {
    using piano = planimetria_metrica;
    // First pass: check every tag and length and count the elements, so that the
    // arrays are sized once and only from what the file really holds.
    lettore_byte in(dati);
    size_t elementi = 0;
    while (!in.finito()) {
        const size_t inizio = in.posizione();
        uint16_t tag = 0;
        if (!in.u16(tag))
            return rifiuta<piano>(
                inizio, "element " + std::to_string(elementi) + ": type tag needs 2 bytes, 1 left");
        if (!tag_elemento_noto(tag))
            return rifiuta<piano>(inizio, "element " + std::to_string(elementi) +
                                              ": unknown type tag " + std::to_string(tag) +
                                              " (expected 0, 2 or 5)");
        const size_t larghezza = larghezza_valore(tag);
        if (!in.salta(larghezza))
            return rifiuta<piano>(in.posizione(), "element " + std::to_string(elementi) + ": tag " +
                                                      std::to_string(tag) + " needs " +
                                                      std::to_string(larghezza) + " value bytes, " +
                                                      std::to_string(in.rimasti()) + " left");
        ++elementi;
    }
    if (elementi == 0) return rifiuta<piano>(0, "empty file: a plan holds at least one point");
    if (elementi % 2 != 0)
        return rifiuta<piano>(dati.size(),
                              std::to_string(elementi) +
                                  " elements, an odd number: the x and y columns must be the same "
                                  "length");
    const size_t metri = elementi / 2;
    if (metri - 1 > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return rifiuta<piano>(dati.size(), "too many points for a plan");

    esito_decodifica<piano> esito;
    piano& p = esito.dati;
    p.dimensiona(static_cast<int32_t>(metri - 1));
    lettore_byte valori(dati);
    // Second pass over bytes already checked: every read succeeds.
    for (size_t i = 0; i < elementi; ++i) {
        uint16_t tag = 0;
        valori.u16(tag);
        if (tag == static_cast<uint16_t>(tipo_valore::intero)) {
            int16_t v = 0;
            valori.i16(v);
            p.tipi[i] = tipo_valore::intero;
            p.valori[i] = v;
        } else if (tag == static_cast<uint16_t>(tipo_valore::reale)) {
            double v = 0;
            valori.f64(v);
            p.tipi[i] = tipo_valore::reale;
            p.valori[i] = v;
        }
    }
    return esito;
}

riassunto_piano riassumi_piano(const planimetria_metrica& p) {
    if (p.compatta) return riassumi_piano(p.materializzata());
    riassunto_piano r;
    if (!p.esiste()) return r;
    r.metri = p.numero_metri();
    for (size_t i = 0; i < p.tipi.size(); ++i) {
        switch (p.tipi[i]) {
            case tipo_valore::vuoto:
                ++r.vuoti;
                break;
            case tipo_valore::intero:
                ++r.interi;
                break;
            case tipo_valore::reale:
                ++r.reali;
                if (!std::isfinite(p.valori[i])) ++r.non_finiti;
                break;
        }
    }

    auto estendi = [](std::optional<double>& lo, std::optional<double>& hi, double v) {
        lo = lo ? std::min(*lo, v) : v;
        hi = hi ? std::max(*hi, v) : v;
    };
    auto usabile = [&](int32_t metro, int c) {
        return p.tipo(metro, c) != tipo_valore::vuoto && std::isfinite(p.valore(metro, c));
    };

    constexpr double pi = std::numbers::pi;
    bool ha_rotta = false;
    double rotta_precedente = 0.0;
    for (int32_t m = 0; m <= p.ultimo_metro; ++m) {
        if (usabile(m, 0)) estendi(r.x_min, r.x_max, p.valore(m, 0));
        if (usabile(m, 1)) estendi(r.y_min, r.y_max, p.valore(m, 1));
        if (m == 0) continue;
        const bool punti = usabile(m - 1, 0) && usabile(m - 1, 1) && usabile(m, 0) && usabile(m, 1);
        if (!punti) {
            ha_rotta = false;
            continue;
        }
        const double dx = p.valore(m, 0) - p.valore(m - 1, 0);
        const double dy = p.valore(m, 1) - p.valore(m - 1, 1);
        if (dx == 0.0 && dy == 0.0) continue;
        const double rotta = std::atan2(dy, dx);
        if (ha_rotta) {
            double d = rotta - rotta_precedente;
            if (d > pi) d -= 2 * pi;
            if (d <= -pi) d += 2 * pi;
            // atan2 grows counter-clockwise; a turn to the right lowers it.
            r.svolta_netta -= d;
            r.svolta_totale += std::abs(d);
        }
        rotta_precedente = rotta;
        ha_rotta = true;
    }
    return r;
}

}  // namespace binario
