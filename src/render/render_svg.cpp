#include "render/render_svg.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "render/polyline.h"
#include "render/svg_text.h"

namespace binario {

namespace {

// --- Page layout (pixels) -----------------------------------------------------

constexpr double larghezza_pagina = 1200;
constexpr double margine_sinistro = 90;
constexpr double margine_destro = 30;
constexpr double larghezza_grafici = larghezza_pagina - margine_sinistro - margine_destro;
constexpr double tolleranza_px = 0.25;

// Plan: the drawing keeps room for labels on both sides.
constexpr double piano_x0 = 120;
constexpr double piano_larghezza = 960;
constexpr double piano_altezza_max = 820;
constexpr double piano_altezza_min = 200;

constexpr double altezza_quote = 280;
constexpr double altezza_corsia = 72;
constexpr double altezza_velocita = 120;

constexpr size_t caratteri_etichetta_max = 40;

// Page from the top: the title, the subtitle and the plan panel's title (text
// baselines), then the plan panel.
constexpr double y_titolo = 36;
constexpr double y_sottotitolo = 58;
constexpr double y_titolo_piano = 92;
constexpr double alto_piano = 108;
// Below the plan: its legend, the rule that parts the panels, the profile panel.
constexpr double distanza_legenda_piano = 30;
constexpr double distanza_riga_pannelli = 50;
constexpr double distanza_profilo = 64;

// The plan panel when there is nothing to draw: one line of note.
constexpr double altezza_nota_piano = 60;
constexpr double y_nota_piano = 34;
// Kilometre ticks: at least 6 px apart; numbered at least 34 px apart, 14 px off
// the track in 10 px type. Station names 10 px off the track in 12 px type. The
// widths of a character are estimates for the label boxes that keep labels apart.
constexpr double passo_minimo_tacche_px = 6.0;
constexpr double spazio_minimo_chilometri_px = 34.0;
constexpr double lunghezza_tacca_km = 7;
constexpr double distanza_etichetta_km = 14;
constexpr double corpo_etichetta_km = 10;
constexpr double larghezza_carattere_km = 0.62;
constexpr double distanza_etichetta_stazione = 10;
constexpr double corpo_etichetta_stazione = 12;
constexpr double larghezza_carattere_stazione = 0.68;

// Profile panel from the top: title and note, the strip for the station names
// (its height from the longest name), the heights, the lane of signals, boards and
// slowdowns, the speed limits, each band 10 px from the next, then the chainage
// axis and the legend.
constexpr double testa_profilo = 52;
constexpr double intervallo_bande = 10;
constexpr double piede_profilo = 82;
constexpr double distanza_legenda_profilo = 64;
constexpr double striscia_base_px = 16.0;
constexpr double striscia_per_carattere_px = 7.2;
constexpr double striscia_min_px = 40.0;
constexpr double striscia_max_px = 310.0;
// Rows of the lane, below its top.
constexpr double dy_segnali = 14;
constexpr double dy_cartelli = 38;
constexpr double dy_rallentamenti = 60;

// Height axis: at least 20 m shown, about six steps, 4 % room above and below.
constexpr double escursione_minima_m = 20.0;
constexpr double divisioni_quote = 6.0;
constexpr double margine_quote = 0.04;
// Speed axis: at least up to 20 km/h, about four steps.
constexpr int velocita_minima_asse = 20;
constexpr double divisioni_velocita = 4.0;
// Chainage grid: lines at least 8 px apart (1 km apart on lines of 5 km or more),
// numbers at least 48 px apart.
constexpr double passo_minimo_griglia_px = 8.0;
constexpr int64_t linea_lunga_m = 5000;
constexpr double spazio_minimo_etichette_x_px = 48.0;

// --- Text ---------------------------------------------------------------------------

// A Windows-1252 text of the table as a label: at most 40 characters.
std::string etichetta(const std::string& win1252) {
    if (win1252.size() <= caratteri_etichetta_max) return xml_escape(windows_1252_to_utf8(win1252));
    return xml_escape(windows_1252_to_utf8(win1252.substr(0, caratteri_etichetta_max - 1))) +
           "\xE2\x80\xA6";
}

size_t caratteri(const std::string& win1252) {
    return std::min(win1252.size(), caratteri_etichetta_max);
}

// Chainage in metres as kilometres, with as many decimals as the step needs.
std::string in_km(int64_t metri, int64_t passo) {
    int decimali = 0;
    if (passo % 1000 != 0) decimali = passo % 100 == 0 ? 1 : passo % 10 == 0 ? 2 : 3;
    return format_fixed(static_cast<double>(metri) / 1000.0, decimali);
}

std::string in_metri(int64_t metri) {
    if (metri >= 1000 && metri % 1000 == 0) return std::to_string(metri / 1000) + " km";
    return std::to_string(metri) + " m";
}

// The speed boards carry left speed x 20 + right speed / 5: "75", or "75/70" when
// the right-hand board differs.
std::string testo_cartello(int16_t dato1) {
    const int sinistra = dato1 / 20, resto = dato1 % 20;
    std::string t = std::to_string(sinistra);
    if (resto != 0) t += "/" + std::to_string(resto * 5);
    return t;
}

// --- SVG helpers -------------------------------------------------------------------

void aggiungi_percorso(std::string& out, std::span<const point_2d> punti,
                       const std::vector<size_t>& indici) {
    char comando = 'M';
    for (const size_t i : indici) {
        out += comando;
        out += format_fixed(punti[i].x);
        out += ' ';
        out += format_fixed(punti[i].y);
        comando = 'L';
    }
}

std::string percorso_semplificato(std::span<const point_2d> punti) {
    std::string d;
    aggiungi_percorso(d, punti, simplify_polyline(punti, tolleranza_px));
    return d;
}

void testo(std::string& out, double x, double y, const std::string& contenuto_xml,
           const std::string& attributi = "") {
    out += "<text x=\"" + format_fixed(x) + "\" y=\"" + format_fixed(y) + "\"";
    if (!attributi.empty()) out += " " + attributi;
    out += ">" + contenuto_xml + "</text>\n";
}

// An axis-aligned box on the page, for keeping labels apart.
struct riquadro {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool tocca(const riquadro& r) const {
        return x0 < r.x1 + 2 && r.x0 < x1 + 2 && y0 < r.y1 + 2 && r.y0 < y1 + 2;
    }
};

// --- Plan panel -------------------------------------------------------------------------

class pianta {
  public:
    pianta(const scenario_disegnabile& s, const contenuto_disegno& c) : piano_(s.planimetria) {
        if (!piano_.esiste()) return;
        ultimo_ = std::min<int64_t>(c.lunghezza, piano_.ultimo_metro);
        bool primo = true;
        for (int64_t m = 0; m <= ultimo_; ++m) {
            const auto p = punto(m);
            if (!p) continue;
            if (primo) {
                x_min_ = x_max_ = p->x;
                y_min_ = y_max_ = p->y;
                primo = false;
            }
            x_min_ = std::min(x_min_, p->x);
            x_max_ = std::max(x_max_, p->x);
            y_min_ = std::min(y_min_, p->y);
            y_max_ = std::max(y_max_, p->y);
        }
        presente_ = !primo;
        if (!presente_) return;
        const double dx = x_max_ - x_min_, dy = y_max_ - y_min_;
        if (!std::isfinite(dx) || !std::isfinite(dy) || dx > 1e12 || dy > 1e12) {
            troppo_grande_ = true;
            return;
        }
        // At most 2 px a metre, so that a short plan is not blown up to fill the page.
        scala_ = std::min(
            {piano_larghezza / std::max(dx, 100.0), piano_altezza_max / std::max(dy, 100.0), 2.0});
        altezza_ = std::clamp(std::max(dy, 100.0) * scala_, piano_altezza_min, piano_altezza_max);
        ox_ = piano_x0 + (piano_larghezza - dx * scala_) / 2;
        oy_off_ = (altezza_ - dy * scala_) / 2;
    }

    bool disegnabile() const { return presente_ && !troppo_grande_; }
    double altezza() const { return disegnabile() ? altezza_ : altezza_nota_piano; }

    void disegna(std::string& out, const contenuto_disegno& c, double alto) {
        oy_ = alto + oy_off_;
        out += "<g id=\"plan\"";
        if (presente_)
            out += " data-extent=\"" + format_shortest(x_min_) + " " + format_shortest(x_max_) +
                   " " + format_shortest(y_min_) + " " + format_shortest(y_max_) + "\"";
        out += ">\n";
        if (!disegnabile()) {
            const char* nota =
                !piano_.esiste() ? "No track plan: the scenario was compiled without one."
                : !presente_     ? "No track plan: no point of the plan is assigned along the line."
                                 : "Track plan not drawn: its coordinates are out of range.";
            testo(out, piano_x0, alto + y_nota_piano, nota, "class=\"plan_note\"");
            out += "</g>\n";
            return;
        }
        disegna_binario(out);
        for (const tratto_galleria& g : c.gallerie) disegna_galleria(out, g);
        for (const int64_t p : c.segnali) disegna_segnale(out, p);
        // Station labels first, so that kilometre numbers give way to them.
        std::vector<riquadro> occupati;
        std::string stazioni;
        for (const stazione_disegno& st : c.stazioni) disegna_stazione(stazioni, st, occupati);
        disegna_chilometri(out, occupati);
        out += stazioni;
        out += "</g>\n";
    }

    std::string descrizione() const {
        if (!presente_) return "No track plan.";
        return "Plan of metres 0 to " + std::to_string(ultimo_) + ": x from " +
               format_shortest(x_min_) + " to " + format_shortest(x_max_) + " m, y from " +
               format_shortest(y_min_) + " to " + format_shortest(y_max_) + " m.";
    }

    // Scale bar and legend, below the drawing.
    void disegna_legenda(std::string& out, double y) const {
        if (!disegnabile()) return;
        const double metri = round_step(100.0 / scala_);
        const double px = metri * scala_;
        const double x0 = piano_x0;
        out += "<g class=\"scale_bar\"><path class=\"axis\" d=\"M" + format_fixed(x0) + " " +
               format_fixed(y - 5) + "V" + format_fixed(y) + "H" + format_fixed(x0 + px) + "V" +
               format_fixed(y - 5) + "\"/>";
        testo(out, x0 + px + 8, y + 4, in_metri(static_cast<int64_t>(metri)));
        out += "</g>\n";
        double x = 420;
        auto voce_legenda = [&](const std::string& simbolo, const std::string& nome) {
            out += simbolo;
            testo(out, x + 28, y + 4, nome, "class=\"legend\"");
            x += 28 + 8.0 * static_cast<double>(nome.size()) + 24;
        };
        const std::string ys = format_fixed(y);
        voce_legenda("<path class=\"track\" d=\"M" + format_fixed(x) + " " + ys + "h22\"/>",
                     "track");
        voce_legenda("<path class=\"tunnel_key\" d=\"M" + format_fixed(x) + " " + ys + "h22\"/>",
                     "tunnel");
        voce_legenda("<circle class=\"station\" cx=\"" + format_fixed(x + 11) + "\" cy=\"" + ys +
                         "\" r=\"4.5\"/>",
                     "station");
        voce_legenda("<path class=\"signal_tick\" d=\"M" + format_fixed(x + 11) + " " +
                         format_fixed(y - 5) + "v10\"/>",
                     "signal");
        voce_legenda("<path class=\"km_tick\" d=\"M" + format_fixed(x + 11) + " " +
                         format_fixed(y - 5) + "v10\"/>",
                     "kilometre");
    }

  private:
    std::optional<point_2d> punto(int64_t m) const {
        if (m < 0 || m > piano_.ultimo_metro) return std::nullopt;
        const auto i = static_cast<int32_t>(m);
        if (piano_.tipo(i, 0) == tipo_valore::vuoto || piano_.tipo(i, 1) == tipo_valore::vuoto)
            return std::nullopt;
        const double x = piano_.valore(i, 0), y = piano_.valore(i, 1);
        if (!std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
        return point_2d{x, y};
    }

    point_2d schermo(const point_2d& p) const {
        return {ox_ + (p.x - x_min_) * scala_, oy_ + (y_max_ - p.y) * scala_};
    }

    // The nearest drawable point to metre m, looking back first, then forward.
    std::optional<point_2d> vicino(int64_t m) const {
        m = std::clamp<int64_t>(m, 0, ultimo_);
        for (int64_t d = 0; d <= ultimo_; ++d) {
            if (auto p = punto(m - d)) return schermo(*p);
            if (auto p = punto(m + d); p && m + d <= ultimo_) return schermo(*p);
            if (m - d < 0 && m + d > ultimo_) break;
        }
        return std::nullopt;
    }

    // Unit direction of travel on screen around metre m.
    point_2d direzione(int64_t m) const {
        const auto a = vicino(m - 30), b = vicino(m + 30);
        if (a && b) {
            const double dx = b->x - a->x, dy = b->y - a->y;
            const double l = std::sqrt(dx * dx + dy * dy);
            if (l > 1e-9) return {dx / l, dy / l};
        }
        return {0.0, -1.0};
    }

    // The points from metre a to metre b, split where the plan has no value.
    void tratti(int64_t a, int64_t b, std::string& d) const {
        std::vector<point_2d> tratto;
        auto chiudi = [&] {
            if (!tratto.empty()) d += percorso_semplificato(tratto);
            tratto.clear();
        };
        for (int64_t m = a; m <= b; ++m) {
            if (auto p = punto(m))
                tratto.push_back(schermo(*p));
            else
                chiudi();
        }
        chiudi();
    }

    void disegna_binario(std::string& out) const {
        std::string d;
        tratti(0, ultimo_, d);
        out += "<path class=\"track\" d=\"" + d + "\"/>\n";
        if (ultimo_ == 0) {
            const auto p = vicino(0);
            if (p)
                out += "<circle class=\"track_point\" cx=\"" + format_fixed(p->x) + "\" cy=\"" +
                       format_fixed(p->y) + "\" r=\"2\"/>\n";
        }
    }

    void disegna_galleria(std::string& out, const tratto_galleria& g) const {
        const int64_t a = std::clamp<int64_t>(inizio_cella(g.prima_cella), 0, ultimo_);
        const int64_t b =
            std::clamp<int64_t>(inizio_cella(int64_t{g.ultima_cella} + 1), 0, ultimo_);
        std::string d;
        tratti(a, b, d);
        // A tunnel where the plan has no point still gets its (empty) shape.
        if (const auto p = vicino(a); d.empty() && p)
            d = "M" + format_fixed(p->x) + " " + format_fixed(p->y);
        out += "<path class=\"tunnel\" data-from=\"" + std::to_string(a) + "\" data-to=\"" +
               std::to_string(b) + "\" d=\"" + d + "\"/>\n";
    }

    void disegna_chilometri(std::string& out, std::vector<riquadro>& occupati) const {
        const double px_per_km = 1000.0 * scala_;
        const auto passo = static_cast<int64_t>(round_step(passo_minimo_tacche_px / px_per_km));
        int64_t ogni = 1;
        while (static_cast<double>(passo * ogni) * px_per_km < spazio_minimo_chilometri_px)
            ogni = next_round_step(ogni);
        std::string tacche;
        std::string etichette;
        for (int64_t km = 0; km * 1000 <= ultimo_; km += passo) {
            const auto p = vicino(km * 1000);
            if (!p) continue;
            const point_2d t = direzione(km * 1000);
            const point_2d sinistra{t.y, -t.x};
            tacche += "M" + format_fixed(p->x) + " " + format_fixed(p->y) + "l" +
                      format_fixed(sinistra.x * lunghezza_tacca_km) + " " +
                      format_fixed(sinistra.y * lunghezza_tacca_km);
            if (km % (passo * ogni) != 0) continue;
            const std::string n = std::to_string(km);
            const etichetta_posata e = posa(*p, sinistra, distanza_etichetta_km, n.size(),
                                            corpo_etichetta_km, larghezza_carattere_km);
            // A number that would cover a station's name or another number is left out.
            if (std::any_of(occupati.begin(), occupati.end(),
                            [&](const riquadro& r) { return r.tocca(e.spazio); }))
                continue;
            occupati.push_back(e.spazio);
            testo(etichette, e.x, e.y, n,
                  std::string("class=\"km_label\" text-anchor=\"") + e.ancora + "\"");
        }
        out += "<path class=\"km_tick\" d=\"" + tacche + "\"/>\n" + etichette;
    }

    // Where a label goes beside point p, on the side given by the unit normal n.
    struct etichetta_posata {
        double x, y;
        const char* ancora;
        riquadro spazio;
    };
    static etichetta_posata posa(const point_2d& p, const point_2d& n, double distanza,
                                 size_t caratteri_testo, double corpo, double larghezza_carattere) {
        etichetta_posata e;
        const double w = static_cast<double>(caratteri_testo) * corpo * larghezza_carattere;
        const double cx = p.x + n.x * distanza, cy = p.y + n.y * distanza;
        e.y = cy + corpo * 0.35;
        if (n.x > 0.35) {
            e.x = cx;
            e.ancora = "start";
            e.spazio = {cx, cy - corpo / 2, cx + w, cy + corpo / 2};
        } else if (n.x < -0.35) {
            e.x = cx;
            e.ancora = "end";
            e.spazio = {cx - w, cy - corpo / 2, cx, cy + corpo / 2};
        } else {
            // Above or below the point: the box moves off the track by half its height.
            const double spinta = n.y > 0 ? corpo / 2 : -corpo / 2;
            e.x = cx;
            e.y += spinta;
            e.ancora = "middle";
            e.spazio = {cx - w / 2, cy + spinta - corpo / 2, cx + w / 2, cy + spinta + corpo / 2};
        }
        return e;
    }

    void disegna_segnale(std::string& out, int64_t p) const {
        const auto q = vicino(p);
        if (!q) return;
        const point_2d t = direzione(p);
        const point_2d n{-t.y, t.x};
        out += "<path class=\"signal_tick\" d=\"M" + format_fixed(q->x - n.x * 5) + " " +
               format_fixed(q->y - n.y * 5) + "l" + format_fixed(n.x * 10) + " " +
               format_fixed(n.y * 10) + "\"/>\n";
    }

    void disegna_stazione(std::string& out, const stazione_disegno& st,
                          std::vector<riquadro>& occupati) const {
        const auto q = vicino(st.progressiva);
        if (!q) return;
        const point_2d t = direzione(st.progressiva);
        const point_2d destra{-t.y, t.x};
        out += "<circle class=\"station\" cx=\"" + format_fixed(q->x) + "\" cy=\"" +
               format_fixed(q->y) + "\" r=\"4.5\"/>\n";
        occupati.push_back({q->x - 5, q->y - 5, q->x + 5, q->y + 5});
        const etichetta_posata e =
            posa(*q, destra, distanza_etichetta_stazione, caratteri(st.testo),
                 corpo_etichetta_stazione, larghezza_carattere_stazione);
        occupati.push_back(e.spazio);
        testo(out, e.x, e.y, etichetta(st.testo),
              std::string("class=\"station_label\" text-anchor=\"") + e.ancora + "\"");
    }

    const planimetria_metrica& piano_;
    int64_t ultimo_ = -1;
    bool presente_ = false;
    bool troppo_grande_ = false;
    double x_min_ = 0, x_max_ = 0, y_min_ = 0, y_max_ = 0;
    double scala_ = 1, altezza_ = piano_altezza_min, ox_ = 0, oy_off_ = 0;
    double oy_ = 0;
};

// --- Profile panel ----------------------------------------------------------------------

class profilo {
  public:
    profilo(const scenario_disegnabile& s, const contenuto_disegno& c, double quota_iniziale)
        : celle_(s.celle), c_(c), quota_iniziale_(quota_iniziale) {
        punti_ = profilo_altimetrico(s.celle, c.lunghezza, quota_iniziale);
        for (size_t i = 0; i < s.celle.size(); ++i) {
            const int64_t inizio = inizio_cella(static_cast<int64_t>(i));
            if (inizio >= c.lunghezza) break;
            const int64_t mm = (static_cast<int64_t>(s.celle[i].pendenza) - 100) *
                               (std::min(inizio + metri_cella, c.lunghezza) - inizio);
            (mm > 0 ? salita_mm_ : discesa_mm_) += mm;
        }
        double basso = punti_.front().quota, alto = basso;
        for (const punto_profilo& p : punti_) {
            basso = std::min(basso, p.quota);
            alto = std::max(alto, p.quota);
        }
        if (alto - basso < escursione_minima_m) {
            const double centro = (alto + basso) / 2;
            basso = centro - escursione_minima_m / 2;
            alto = centro + escursione_minima_m / 2;
        }
        passo_quote_ = round_step((alto - basso) / divisioni_quote);
        const double margine = (alto - basso) * margine_quote;
        quota_min_ = basso - margine;
        quota_max_ = alto + margine;

        scala_x_ = larghezza_grafici / static_cast<double>(c.fine_asse);
        size_t piu_lungo = 0;
        for (const stazione_disegno& st : c.stazioni)
            piu_lungo = std::max(piu_lungo, caratteri(st.testo));
        striscia_ = std::clamp(
            striscia_base_px + striscia_per_carattere_px * static_cast<double>(piu_lungo),
            striscia_min_px, striscia_max_px);

        int velocita_max = 0;
        for (size_t i = 0; i < celle_.size() && inizio_cella(static_cast<int64_t>(i)) < c.lunghezza;
             ++i)
            velocita_max = std::max(velocita_max, celle_[i].velocita * 5);
        for (const rallentamento_disegno& r : c.rallentamenti)
            velocita_max = std::max<int>(velocita_max, r.velocita);
        passo_velocita_ =
            round_step(std::max(velocita_max, velocita_minima_asse) / divisioni_velocita);
        velocita_tetto_ =
            std::ceil(std::max(velocita_max, velocita_minima_asse) / passo_velocita_) *
            passo_velocita_;
    }

    double quota_finale() const { return punti_.back().quota; }
    double salita() const { return static_cast<double>(salita_mm_) / 1000.0; }
    double discesa() const { return static_cast<double>(-discesa_mm_) / 1000.0; }
    int64_t fine_profilo() const { return punti_.back().progressiva; }

    double altezza() const {
        return testa_profilo + striscia_ + altezza_quote + intervallo_bande + altezza_corsia +
               intervallo_bande + altezza_velocita + piede_profilo;
    }

    void disegna(std::string& out, double alto) {
        quote_alto_ = alto + testa_profilo + striscia_;
        corsia_alto_ = quote_alto_ + altezza_quote + intervallo_bande;
        velocita_alto_ = corsia_alto_ + altezza_corsia + intervallo_bande;

        out += "<g id=\"profile\" data-end-height=\"" + format_fixed(quota_finale(), 3) +
               "\" data-climb=\"" + format_fixed(salita(), 3) + "\" data-descent=\"" +
               format_fixed(discesa(), 3) + "\" data-end-chainage=\"" +
               std::to_string(fine_profilo()) + "\">\n";
        testo(out, margine_sinistro, alto + 20, "Profile along the chainage",
              "class=\"panel_title\"");
        testo(out, margine_sinistro, alto + 40,
              "Height from the gradients, " + format_fixed(quota_iniziale_, 2) +
                  " m at chainage 0: ends at " + format_fixed(quota_finale(), 2) + " m; climbs " +
                  format_fixed(salita(), 2) + " m, descends " + format_fixed(discesa(), 2) + " m.",
              "class=\"note\"");
        disegna_griglia(out);
        disegna_gallerie(out);
        disegna_rallentamenti_fascia(out);
        disegna_quote(out);
        disegna_stazioni(out);
        disegna_corsia(out);
        disegna_velocita(out);
        disegna_asse_x(out);
        disegna_legenda(out, velocita_alto_ + altezza_velocita + distanza_legenda_profilo);
        out += "</g>\n";
    }

  private:
    double x(double progressiva) const { return margine_sinistro + progressiva * scala_x_; }
    double primo_passo() const { return std::ceil(quota_min_ / passo_quote_) * passo_quote_; }
    double y_quota(double q) const {
        return quote_alto_ + altezza_quote -
               (q - quota_min_) / (quota_max_ - quota_min_) * altezza_quote;
    }
    double y_velocita(double v) const {
        return velocita_alto_ + altezza_velocita - v / velocita_tetto_ * altezza_velocita;
    }

    std::string cornice(double y0, double h) const {
        return "<rect class=\"frame\" x=\"" + format_fixed(margine_sinistro) + "\" y=\"" +
               format_fixed(y0) + "\" width=\"" + format_fixed(larghezza_grafici) + "\" height=\"" +
               format_fixed(h) + "\"/>\n";
    }

    void disegna_griglia(std::string& out) {
        const double px_per_m = scala_x_;
        passo_x_ = static_cast<int64_t>(round_step(std::max(
            passo_minimo_griglia_px / px_per_m, c_.fine_asse >= linea_lunga_m ? 1000.0 : 10.0)));
        ogni_x_ = 1;
        while (static_cast<double>(passo_x_ * ogni_x_) * px_per_m < spazio_minimo_etichette_x_px)
            ogni_x_ = next_round_step(ogni_x_);
        std::string d;
        for (int64_t m = 0; m <= c_.fine_asse; m += passo_x_) {
            const std::string xs = format_fixed(x(static_cast<double>(m)));
            d += "M" + xs + " " + format_fixed(quote_alto_) + "V" +
                 format_fixed(quote_alto_ + altezza_quote);
            d += "M" + xs + " " + format_fixed(velocita_alto_) + "V" +
                 format_fixed(velocita_alto_ + altezza_velocita);
        }
        for (double q = primo_passo(); q <= quota_max_; q += passo_quote_)
            d += "M" + format_fixed(margine_sinistro) + " " + format_fixed(y_quota(q)) + "h" +
                 format_fixed(larghezza_grafici);
        for (double v = 0; v <= velocita_tetto_; v += passo_velocita_)
            d += "M" + format_fixed(margine_sinistro) + " " + format_fixed(y_velocita(v)) + "h" +
                 format_fixed(larghezza_grafici);
        out += "<path class=\"grid\" d=\"" + d + "\"/>\n";
    }

    void disegna_gallerie(std::string& out) const {
        for (const tratto_galleria& g : c_.gallerie) {
            const double a = x(static_cast<double>(inizio_cella(g.prima_cella)));
            const double b = x(static_cast<double>(inizio_cella(int64_t{g.ultima_cella} + 1)));
            out += "<rect class=\"tunnel\" x=\"" + format_fixed(a) + "\" y=\"" +
                   format_fixed(quote_alto_) + "\" width=\"" + format_fixed(std::max(b - a, 1.0)) +
                   "\" height=\"" + format_fixed(altezza_quote) + "\"/>\n";
        }
    }

    void disegna_rallentamenti_fascia(std::string& out) const {
        for (const rallentamento_disegno& r : c_.rallentamenti) {
            const double a = x(static_cast<double>(r.inizio));
            const double b = std::max(x(static_cast<double>(r.fine)), a + 3.0);
            out += "<rect class=\"slowdown_band\" x=\"" + format_fixed(a) + "\" y=\"" +
                   format_fixed(quote_alto_) + "\" width=\"" + format_fixed(b - a) +
                   "\" height=\"" + format_fixed(velocita_alto_ + altezza_velocita - quote_alto_) +
                   "\"/>\n";
        }
    }

    void disegna_quote(std::string& out) const {
        std::vector<point_2d> schermo;
        schermo.reserve(punti_.size());
        for (const punto_profilo& p : punti_)
            schermo.push_back({x(static_cast<double>(p.progressiva)), y_quota(p.quota)});
        const std::vector<size_t> indici = simplify_polyline(schermo, tolleranza_px);
        std::string linea;
        aggiungi_percorso(linea, schermo, indici);
        const std::string fondo = format_fixed(quote_alto_ + altezza_quote);
        out += "<path class=\"height_area\" d=\"" + linea + "V" + fondo + "H" +
               format_fixed(schermo.front().x) + "Z\"/>\n";
        out += "<path class=\"height_line\" d=\"" + linea + "\"/>\n";
        if (punti_.size() == 1)
            out += "<circle class=\"height_point\" cx=\"" + format_fixed(schermo.front().x) +
                   "\" cy=\"" + format_fixed(schermo.front().y) + "\" r=\"2.5\"/>\n";
        if (fine_profilo() < c_.lunghezza || c_.fine_asse > c_.lunghezza) {
            // The line ends (or its cells end) before the axis does.
            const double xf = x(static_cast<double>(fine_profilo()));
            out += "<path class=\"line_end\" d=\"M" + format_fixed(xf) + " " +
                   format_fixed(quote_alto_) + "V" + format_fixed(quote_alto_ + altezza_quote) +
                   "\"/>\n";
            testo(out, xf + 4, quote_alto_ + 14,
                  fine_profilo() < c_.lunghezza ? "cells end" : "end of line", "class=\"note\"");
        }
        out += cornice(quote_alto_, altezza_quote);
        for (double q = primo_passo(); q <= quota_max_; q += passo_quote_)
            testo(out, margine_sinistro - 8, y_quota(q) + 4, format_fixed(q, 0),
                  "class=\"tick_label\" text-anchor=\"end\"");
        const double cy = quote_alto_ + altezza_quote / 2;
        testo(out, 22, cy, "height (m)",
              "class=\"axis_title\" text-anchor=\"middle\" transform=\"rotate(-90 22 " +
                  format_fixed(cy) + ")\"");
    }

    void disegna_stazioni(std::string& out) const {
        std::string d;
        for (const stazione_disegno& st : c_.stazioni) {
            const double xs = x(static_cast<double>(st.progressiva));
            d += "M" + format_fixed(xs) + " " + format_fixed(quote_alto_) + "V" +
                 format_fixed(quote_alto_ + altezza_quote);
            const double xt = xs + 4, yt = quote_alto_ - 6;
            testo(out, xt, yt, etichetta(st.testo),
                  "class=\"station_label\" transform=\"rotate(-90 " + format_fixed(xt) + " " +
                      format_fixed(yt) + ")\"");
        }
        if (!d.empty()) out += "<path class=\"station_line\" d=\"" + d + "\"/>\n";
    }

    // The lane between the two plots: signals, speed boards, slowdowns.
    void disegna_corsia(std::string& out) const {
        const double y0 = corsia_alto_;
        const double riga_segnali = y0 + dy_segnali, riga_cartelli = y0 + dy_cartelli,
                     riga_rallentamenti = y0 + dy_rallentamenti;
        for (const auto& [y, nome] :
             {std::pair{riga_segnali, "signals"}, std::pair{riga_cartelli, "speed boards"},
              std::pair{riga_rallentamenti, "slowdowns"}})
            testo(out, margine_sinistro - 8, y + 4, nome,
                  "class=\"tick_label\" text-anchor=\"end\"");
        std::string aste;
        for (const int64_t p : c_.segnali) {
            const double xs = x(static_cast<double>(p));
            aste += "M" + format_fixed(xs) + " " + format_fixed(riga_segnali - 4) + "V" +
                    format_fixed(riga_segnali + 9);
            out += "<circle class=\"signal\" cx=\"" + format_fixed(xs) + "\" cy=\"" +
                   format_fixed(riga_segnali - 5) + "\" r=\"3.5\"/>\n";
        }
        if (!aste.empty()) out += "<path class=\"signal_tick\" d=\"" + aste + "\"/>\n";
        for (const cartello_disegno& b : c_.cartelli) {
            const double xs = x(static_cast<double>(b.progressiva));
            out += "<rect class=\"speed_board\" x=\"" + format_fixed(xs - 4) + "\" y=\"" +
                   format_fixed(riga_cartelli - 4) + "\" width=\"8\" height=\"8\"/>\n";
            testo(out, xs + 7, riga_cartelli + 4, testo_cartello(b.dato1), "class=\"board_label\"");
        }
        for (const cartello_disegno& b : c_.avvisi) {
            const double xs = x(static_cast<double>(b.progressiva));
            out += "<path class=\"warning_board\" d=\"M" + format_fixed(xs) + " " +
                   format_fixed(riga_rallentamenti - 6) + "l6 11h-12z\"/>\n";
        }
        for (const rallentamento_disegno& r : c_.rallentamenti) {
            const double a = x(static_cast<double>(r.inizio));
            const double b = std::max(x(static_cast<double>(r.fine)), a + 3.0);
            out += "<rect class=\"slowdown\" x=\"" + format_fixed(a) + "\" y=\"" +
                   format_fixed(riga_rallentamenti - 5) + "\" width=\"" + format_fixed(b - a) +
                   "\" height=\"10\"/>\n";
            testo(out, b + 4, riga_rallentamenti + 4, std::to_string(r.velocita) + " km/h",
                  "class=\"slowdown_label\"");
        }
        out += "<path class=\"lane_rule\" d=\"M" + format_fixed(margine_sinistro) + " " +
               format_fixed(y0 + altezza_corsia) + "h" + format_fixed(larghezza_grafici) + "\"/>\n";
    }

    void disegna_velocita(std::string& out) const {
        std::vector<point_2d> gradini;
        const auto n = static_cast<size_t>(std::min<int64_t>(
            (c_.lunghezza + metri_cella - 1) / metri_cella, static_cast<int64_t>(celle_.size())));
        for (size_t i = 0; i < n;) {
            size_t j = i + 1;
            while (j < n && celle_[j].velocita == celle_[i].velocita) ++j;
            const double v = y_velocita(celle_[i].velocita * 5.0);
            gradini.push_back({x(static_cast<double>(inizio_cella(static_cast<int64_t>(i)))), v});
            gradini.push_back({x(static_cast<double>(std::min<int64_t>(
                                   inizio_cella(static_cast<int64_t>(j)), c_.lunghezza))),
                               v});
            i = j;
        }
        if (!gradini.empty()) {
            std::string d;
            aggiungi_percorso(d, gradini, simplify_polyline(gradini, tolleranza_px));
            out += "<path class=\"speed_line\" d=\"" + d + "\"/>\n";
        }
        for (const rallentamento_disegno& r : c_.rallentamenti) {
            const double a = x(static_cast<double>(r.inizio));
            const double b = std::max(x(static_cast<double>(r.fine)), a + 3.0);
            out += "<path class=\"slowdown_speed\" d=\"M" + format_fixed(a) + " " +
                   format_fixed(y_velocita(r.velocita)) + "H" + format_fixed(b) + "\"/>\n";
        }
        out += cornice(velocita_alto_, altezza_velocita);
        for (double v = 0; v <= velocita_tetto_; v += passo_velocita_)
            testo(out, margine_sinistro - 8, y_velocita(v) + 4, format_fixed(v, 0),
                  "class=\"tick_label\" text-anchor=\"end\"");
        const double cy = velocita_alto_ + altezza_velocita / 2;
        testo(out, 22, cy, "limit (km/h)",
              "class=\"axis_title\" text-anchor=\"middle\" transform=\"rotate(-90 22 " +
                  format_fixed(cy) + ")\"");
    }

    void disegna_asse_x(std::string& out) const {
        const double y0 = velocita_alto_ + altezza_velocita;
        const int64_t ogni = passo_x_ * ogni_x_;
        for (int64_t m = 0; m <= c_.fine_asse; m += ogni)
            testo(out, x(static_cast<double>(m)), y0 + 16, in_km(m, ogni),
                  "class=\"tick_label\" text-anchor=\"middle\"");
        testo(out, margine_sinistro + larghezza_grafici / 2, y0 + 36, "chainage (km)",
              "class=\"axis_title\" text-anchor=\"middle\"");
    }

    void disegna_legenda(std::string& out, double y) const {
        double xl = margine_sinistro;
        auto voce_legenda = [&](const std::string& simbolo, const std::string& nome) {
            out += simbolo;
            testo(out, xl + 26, y + 4, nome, "class=\"legend\"");
            xl += 26 + 6.6 * static_cast<double>(nome.size()) + 22;
        };
        auto x_ = [&](double d) { return format_fixed(xl + d); };
        const std::string ys = format_fixed(y);
        voce_legenda("<path class=\"height_line\" d=\"M" + x_(0) + " " + ys + "h20\"/>", "height");
        voce_legenda("<rect class=\"tunnel_swatch\" x=\"" + x_(0) + "\" y=\"" +
                         format_fixed(y - 7) + "\" width=\"20\" height=\"14\"/>",
                     "tunnel");
        voce_legenda(
            "<path class=\"station_line\" d=\"M" + x_(10) + " " + format_fixed(y - 8) + "v16\"/>",
            "station");
        voce_legenda("<circle class=\"signal\" cx=\"" + x_(10) + "\" cy=\"" + ys + "\" r=\"3.5\"/>",
                     "signal");
        voce_legenda("<rect class=\"speed_board\" x=\"" + x_(6) + "\" y=\"" + format_fixed(y - 4) +
                         "\" width=\"8\" height=\"8\"/>",
                     "speed board (km/h)");
        voce_legenda("<path class=\"speed_line\" d=\"M" + x_(0) + " " + ys + "h20\"/>",
                     "speed limit");
        voce_legenda("<rect class=\"slowdown\" x=\"" + x_(2) + "\" y=\"" + format_fixed(y - 5) +
                         "\" width=\"16\" height=\"10\"/>",
                     "slowdown");
        voce_legenda("<path class=\"warning_board\" d=\"M" + x_(10) + " " + format_fixed(y - 5) +
                         "l5 10h-10z\"/>",
                     "slowdown warning board");
    }

    const std::vector<cella>& celle_;
    const contenuto_disegno& c_;
    double quota_iniziale_;
    std::vector<punto_profilo> punti_;
    int64_t salita_mm_ = 0, discesa_mm_ = 0;
    double passo_quote_ = 1, quota_min_ = 0, quota_max_ = 1;
    double scala_x_ = 1, striscia_ = 40;
    double passo_velocita_ = 10, velocita_tetto_ = 100;
    int64_t passo_x_ = 1000, ogni_x_ = 1;
    double quote_alto_ = 0, corsia_alto_ = 0, velocita_alto_ = 0;
};

constexpr const char* stile =
    "text{font-family:sans-serif;font-size:12px;fill:#333}"
    ".title{font-size:22px;font-weight:bold;fill:#111}"
    ".subtitle{font-size:13px;fill:#555}"
    ".panel_title{font-size:15px;font-weight:bold;fill:#222}"
    ".note{font-size:12px;fill:#555}"
    ".plan_note{font-size:14px;fill:#a33}"
    ".legend,.tick_label{font-size:11px;fill:#444}"
    ".axis_title{font-size:12px;fill:#444}"
    ".track{fill:none;stroke:#4d4d4d;stroke-width:2;stroke-linejoin:round;stroke-linecap:round}"
    ".track_point{fill:#4d4d4d}"
    "path.tunnel,.tunnel_key{fill:none;stroke:#8c5a2b;stroke-width:6;stroke-linejoin:round}"
    "rect.tunnel,.tunnel_swatch{fill:#e6d5bb}"
    ".station{fill:#1a4e9c;stroke:#fff;stroke-width:1.5}"
    ".station_label{font-size:12px;font-weight:bold;fill:#1a4e9c}"
    ".station_line{fill:none;stroke:#1a4e9c;stroke-width:1;stroke-dasharray:4 3}"
    ".signal_tick{fill:none;stroke:#d62728;stroke-width:2}"
    ".signal{fill:#d62728}"
    ".km_tick{fill:none;stroke:#777;stroke-width:1.2}"
    ".km_label{font-size:10px;fill:#666}"
    ".axis{fill:none;stroke:#333;stroke-width:1.2}"
    ".frame{fill:none;stroke:#999;stroke-width:1}"
    ".grid{fill:none;stroke:#e6e6e6;stroke-width:1}"
    ".lane_rule{fill:none;stroke:#ddd;stroke-width:1}"
    ".height_area{fill:#e2ecd6}"
    ".height_line{fill:none;stroke:#3d6b2f;stroke-width:2;stroke-linejoin:round}"
    ".height_point{fill:#3d6b2f}"
    ".line_end{fill:none;stroke:#555;stroke-width:1;stroke-dasharray:2 2}"
    ".speed_line{fill:none;stroke:#6a3d9a;stroke-width:2}"
    ".speed_board{fill:#6a3d9a}"
    ".board_label{font-size:10px;fill:#6a3d9a}"
    ".slowdown{fill:#ff7f0e}"
    ".slowdown_band{fill:#ff7f0e;fill-opacity:0.25}"
    ".slowdown_speed{fill:none;stroke:#ff7f0e;stroke-width:2;stroke-dasharray:4 2}"
    ".slowdown_label{font-size:10px;fill:#c25e00}"
    ".warning_board{fill:#ff7f0e;stroke:#c25e00;stroke-width:1}";

}  // namespace

std::string disegna_svg(const scenario_disegnabile& s, const opzioni_disegno& o) {
    const contenuto_disegno c = leggi_contenuto(s);
    pianta p(s, c);
    profilo q(s, c, o.quota_iniziale);

    const std::string nome = etichetta(c.linea);
    const std::string sezione = "\xC2\xA0\xC2\xB7\xC2\xA0";  // " · " that does not break

    const double piano_alto = alto_piano;
    const double piano_fine = piano_alto + p.altezza();
    const double profilo_alto = piano_fine + distanza_profilo;
    const double altezza_pagina = std::ceil(profilo_alto + q.altezza());

    std::string corpo;
    testo(corpo, margine_sinistro, y_titolo,
          (nome.empty() ? std::string("(unnamed line)") : nome) + " \xE2\x80\x94 " +
              in_km(c.lunghezza, 1) + " km",
          "class=\"title\"");
    testo(corpo, margine_sinistro, y_sottotitolo,
          "line length " + std::to_string(c.lunghezza) + " m" + sezione + "train " +
              etichetta(c.treno) + sezione + std::to_string(c.stazioni.size()) + " stations" +
              sezione + std::to_string(c.gallerie.size()) + " tunnels" + sezione +
              std::to_string(c.segnali.size()) + " signals",
          "class=\"subtitle\"");
    testo(corpo, margine_sinistro, y_titolo_piano,
          "Track plan, to scale, kilometres from the start", "class=\"panel_title\"");
    p.disegna(corpo, c, piano_alto);
    p.disegna_legenda(corpo, piano_fine + distanza_legenda_piano);
    corpo += "<path class=\"lane_rule\" d=\"M30 " +
             format_fixed(piano_fine + distanza_riga_pannelli) + "H" +
             format_fixed(larghezza_pagina - 30) + "\"/>\n";
    q.disegna(corpo, profilo_alto);

    std::string descrizione = "Line " + nome + ", length " + std::to_string(c.lunghezza) +
                              " m, train " + etichetta(c.treno) + "; " +
                              std::to_string(c.stazioni.size()) + " stations, " +
                              std::to_string(c.gallerie.size()) + " tunnels, " +
                              std::to_string(c.segnali.size()) + " signals. ";
    descrizione += p.descrizione();
    descrizione += " Height from the gradients, " + format_fixed(o.quota_iniziale, 3) +
                   " m at chainage 0: " + format_fixed(q.quota_finale(), 3) + " m at chainage " +
                   std::to_string(q.fine_profilo()) + ", climbs " + format_fixed(q.salita(), 3) +
                   " m, descends " + format_fixed(q.discesa(), 3) + " m.";

    const std::string w = format_fixed(larghezza_pagina), h = format_fixed(altezza_pagina);
    std::string out;
    out.reserve(corpo.size() + 4096);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h + "\">\n";
    out += "<title>" + nome + ": track plan and profile</title>\n";
    out += "<desc>" + descrizione + "</desc>\n";
    out += std::string("<style>") + stile + "</style>\n";
    out += "<rect class=\"page\" width=\"" + w + "\" height=\"" + h + "\" fill=\"#fff\"/>\n";
    out += corpo;
    out += "</svg>\n";
    return out;
}

}  // namespace binario
