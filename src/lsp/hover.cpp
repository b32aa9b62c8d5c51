#include <cmath>
#include <string>
#include <vector>

#include "common/windows_1252.h"
#include "compiler/format_facts.h"
#include "lsp/editor_features.h"
#include "lsp/text_positions.h"

namespace binario::lsp {

namespace {

using enum record_id;

std::string number(int64_t v) {
    return std::to_string(v);
}

std::string signed_number(int64_t v) {
    return (v > 0 ? "+" : "") + std::to_string(v);
}

// A cell as `binario inspect` lists it.
std::string cell_text(const scenario_result& r, int64_t c) {
    if (c < 0 || c >= static_cast<int64_t>(r.celle.size()))
        return "cell " + number(c) + ": outside the cell array (0 to " +
               number(static_cast<int64_t>(r.celle.size()) - 1) + ")";
    const cella& z = r.celle[static_cast<size_t>(c)];
    const char* name = nome_evento_cella(z.evento);
    std::string s = "cell " + number(c) + " (" + number(c * metri_cella) + " m): " +
                    (z.evento == evento_nessuno ? std::string("no event")
                     : name != nullptr          ? std::string(name)
                                                : "event " + number(z.evento));
    s += "; dato1 " + number(z.dato1) + ", dato2 " + number(z.dato2) + ", dato3 " +
         number(z.dato3) + ", dato4 " + number(z.dato4) + ", tempo " + number(z.tempo) +
         ", marca " + number(z.marca) + ", galleria " + number(z.galleria) + "; speed " +
         number(z.velocita * 5) + " km/h, gradient " + signed_number(z.pendenza - 100) +
         ", adhesion " + number(z.aderenza) + " %";
    return s;
}

std::string row_values(const voce& v) {
    return "valore1 " + number(v.valore1) + ", valore2 " + number(v.valore2) + ", valore3 " +
           number(v.valore3);
}

std::string clock(int64_t seconds) {
    char out[32];
    std::snprintf(out, sizeof out, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return out;
}

// What a record is and does, in words, and the cells it writes.
struct reading {
    std::string words;
    std::vector<int64_t> cells;
    std::vector<std::string> compiled;  // lines about the compiled table
};

reading read(const record_kind& k, const record_line& l, const scenario_result* r) {
    reading out;
    const auto n = [&](size_t i) { return i < l.numbers.size() ? l.numbers[i] : 0; };
    const auto& t = r != nullptr ? &r->tabella : nullptr;
    switch (k.id) {
        case lunghezza:
            out.words = "The line is " + number(n(0)) + " m long: cells 0 to " +
                        number(cella_profilo(n(0) + 7000)) +
                        ", 50 m each, reaching 7000 m past "
                        "its end.";
            if (t)
                out.compiled.push_back("table row " + number(riga_valori_generali) +
                                       ": line length " +
                                       number((*t)[riga_valori_generali].valore2));
            break;
        case progressiva_tre:
        case progressiva_due:
        case progressiva_uno:
            out.words = "Kilometre-post reference: " + number(n(0)) + ", " + number(n(1)) + ", " +
                        number(n(2)) + ".";
            if (t)
                for (int row : {riga_progressiva_tre, riga_progressiva_due, riga_progressiva_uno})
                    out.compiled.push_back("table row " + number(row) + " (in sorted order): " +
                                           row_values((*t)[static_cast<size_t>(row)]));
            break;
        case sfondo_uno:
        case sfondo_due:
        case sfondo_tre:
            out.words = std::string(k.what) + ": " + number(n(0)) + ".";
            if (t)
                out.compiled.push_back("table row " + number(riga_linea) + ": scenery one " +
                                       number((*t)[riga_linea].valore1) + ", two " +
                                       number((*t)[riga_linea].valore3) + ", three " +
                                       number((*t)[riga_linea].valore2));
            break;
        case ripetizione:
            out.words =
                "Cab-signal repetition from " + number(n(0)) + " m to " + number(n(1)) + " m.";
            if (t)
                out.compiled.push_back("table row " + number(riga_treno) + ": " +
                                       row_values((*t)[riga_treno]) +
                                       " (valore3 is the number of codes)");
            break;
        case pendenza:
            out.words = "Gradient " + signed_number(n(1)) + " per mille from " + number(n(0)) +
                        " m, from cell " + number(cella_profilo(n(0))) + " on.";
            out.cells = {cella_profilo(n(0))};
            break;
        case curva: {
            const auto& degrees = curvature_gradi;
            double c = 0;
            for (int i = 0; i < 6 && c == 0; ++i)
                if (l.keyword.find(static_cast<char>('1' + i)) != std::string::npos) c = degrees[i];
            const bool left = l.keyword.find_first_of("sS") != std::string::npos;
            char curvature[32];
            std::snprintf(curvature, sizeof curvature, "%g", c);
            out.words = c == 0
                            ? std::string("A curve without a degree digit 1 to 6 (error 103).")
                            : std::string(left ? "Left" : "Right") + " curve of " + curvature +
                                  " rad/m from " + number(n(0)) + " m to " + number(n(0) + n(1)) +
                                  " m. It shapes the track plan and "
                                  "writes no cell.";
            break;
        }
        case montagna: {
            const int64_t first = cella_profilo(n(0)),
                          last = static_cast<int64_t>(std::nearbyint(n(1) / 50.0 - 1));
            out.words = "Tunnel of type " + number(n(2)) + " from " + number(n(0)) + " m to " +
                        number(n(1)) + " m: cells " + number(first) + " to " + number(last) + ".";
            out.cells = {first};
            break;
        }
        case indicatori:
            out.words = "Maximum-speed boards at " + number(n(0)) + " m: left " + number(n(1)) +
                        "/" + number(n(2)) + "/" + number(n(3)) + " km/h, right " + number(n(5)) +
                        "/" + number(n(6)) + "/" + number(n(7)) + " km/h.";
            out.cells = {cella_evento(n(0))};
            break;
        case cartello:
            out.words = "Direction board at " + number(n(0)) + " m: \"" +
                        windows_1252_to_utf8(l.text) + "\".";
            out.cells = {cella_evento(n(0))};
            if (r && !out.cells.empty() && out.cells[0] >= 0 &&
                out.cells[0] < static_cast<int64_t>(r->celle.size())) {
                const cella& z = r->celle[static_cast<size_t>(out.cells[0])];
                if (z.evento == evento_cartello && z.dato1 > 0 && z.dato1 < numero_voci)
                    out.compiled.push_back(
                        "table row " + number(z.dato1) + ": \"" +
                        windows_1252_to_utf8((*t)[static_cast<size_t>(z.dato1)].testo) + "\"");
            }
            break;
        case frenata:
        case vetture:
            out.words = std::string(k.what) + ": " + number(n(0)) + ".";
            if (t)
                out.compiled.push_back("table row " + number(riga_valori_generali) +
                                       ": braked mass " +
                                       number((*t)[riga_valori_generali].valore1) + " %, cars " +
                                       number((*t)[riga_valori_generali].valore3));
            break;
        case velocita:
            out.words = "Speed limit " + number(n(1)) + " km/h from " + number(n(0)) +
                        " m, from cell " + number(cella_profilo(n(0))) + " on.";
            out.cells = {cella_profilo(n(0))};
            break;
        case aderenza:
            out.words = "Adhesion " + number(n(1)) + " % from " + number(n(0)) + " m, from cell " +
                        number(cella_profilo(n(0))) + " on.";
            out.cells = {cella_profilo(n(0))};
            break;
        case orologio:
        case sabbia:
            out.words = k.id == orologio ? "The run starts at " + number(n(0)) + ":" +
                                               number(n(1)) + ":" + number(n(2)) + "."
                                         : "Sand supply " + number(n(0)) + ".";
            if (t)
                out.compiled.push_back("table row " + number(riga_treno) + ": sand " +
                                       number((*t)[riga_treno].intero1) + ", clock " +
                                       number((*t)[riga_treno].intero3) + ":" +
                                       number((*t)[riga_treno].intero4) + ":" +
                                       number((*t)[riga_treno].intero5));
            break;
        case segnale: {
            const int64_t c = cella_evento(n(0));
            out.words = "Signal at " + number(n(0)) + " m in cell " + number(c) +
                        "; approach marks in cells " + number(c - 2) + ", " + number(c - 4) + ", " +
                        number(c - 6) + ", " + number(c - 8) + ".";
            out.cells = {c, c - 2, c - 4, c - 6, c - 8};
            break;
        }
        case rallentamento: {
            const int64_t x = n(0), s = cella_evento(x), e = cella_evento(x + n(2));
            out.words = "Slowdown to " + number(n(1)) + " km/h from " + number(x) + " m over " +
                        number(n(2)) + " m: start board in cell " + number(s) +
                        ", end board in cell " + number(e);
            if (x > 1500) {
                const int64_t w = cella_evento(x - 1200);
                out.words += ", warning board in cell " + number(w);
                out.cells = {w};
            }
            out.words += ".";
            out.cells.push_back(s);
            out.cells.push_back(e);
            break;
        }
        case abbattimento:
            out.words =
                "Code mark at " + number(n(0)) + " m in cell " + number(cella_profilo(n(0))) +
                (n(1) > 0 ? ", value " + number(n(1)) : std::string(", without value")) + ".";
            out.cells = {cella_profilo(n(0))};
            break;
        case stazione: {
            const int64_t p = n(0), type = n(1), length = n(2);
            int64_t start = p - length / 2, end = p + length / 2 + (n(5) != 0 ? 50 : 0);
            if (type == 5 || type == 6) start = p - length, end = p + 150;
            if (type == 7 || type == 8) start = p - length, end = p + length;
            out.words = "Station \"" + windows_1252_to_utf8(l.text) + "\" at " + number(p) +
                        " m, type " + number(type) + ", platform " + number(start) + " to " +
                        number(end) + " m, stop " + number(n(12)) + " s, departure " +
                        number(n(13)) + ":" + number(n(14)) + ":" + number(n(15)) + ".";
            if (t) {
                for (int row = riga_prima_stazione; row < riga_primo_cartello; ++row) {
                    const voce& v = (*t)[static_cast<size_t>(row)];
                    if (v.valore3 != p || v.testo != l.text) continue;
                    out.compiled.push_back("table row " + number(row) + ": type " +
                                           number(v.genere) + ", platform " + number(v.valore1) +
                                           " to " + number(v.valore2) + ", departure " +
                                           clock(v.codice) + ", stop " + number(v.ottetto2) + " s");
                    for (size_t c = 0; c < r->celle.size(); ++c)
                        if (r->celle[c].evento == evento_stazione && r->celle[c].dato1 == row)
                            out.cells.push_back(static_cast<int64_t>(c));
                    break;
                }
            }
            break;
        }
    }
    return out;
}

std::string keyword_text(const record_kind& k) {
    std::string s = "**" + std::string(k.keyword) + "**: " + std::string(k.what) + "\n\nFields: ";
    for (size_t i = 0; i < k.fields.size(); ++i)
        s += (i ? ", `" : "`") + std::string(k.fields[i]) + "`";
    s += "\n\n" + std::string(k.guide);
    return s;
}

nlohmann::json range_on(size_t line, std::string_view utf8_line, size_t from, size_t to) {
    return {{"start", {{"line", line}, {"character", utf16_column(utf8_line, from)}}},
            {"end", {{"line", line}, {"character", utf16_column(utf8_line, to)}}}};
}

}  // namespace

nlohmann::json hover_at(const document& doc, file_kind kind, size_t line, uint32_t character,
                        const scenario_result* compiled) {
    const std::string text = editor_text_as_1252(doc.text);
    const auto sections = sections_of_lines(kind, text);
    if (line >= sections.size() || !sections[line]) return nullptr;
    const line_index lines(text), utf8_lines(doc.text);
    const std::string_view utf8_line = utf8_lines.line(line);
    const record_line head = read_record_line(lines.line(line), nullptr);
    const record_kind* k = recognise(*sections[line], head.keyword);
    if (k == nullptr) return nullptr;
    const record_line l = read_record_line(lines.line(line), k);
    const size_t at = chars_before(utf8_line, byte_of_utf16_column(utf8_line, character));
    if (compiled != nullptr && !compiled->cells_built) compiled = nullptr;

    std::string value;
    nlohmann::json range;
    if (at >= l.keyword_column && at <= l.keyword_end) {
        value = keyword_text(*k);
        range = range_on(line, utf8_line, l.keyword_column, l.keyword_end);
    } else {
        const reading rd = read(*k, l, compiled);
        value = "**" + std::string(k->what) + "**";
        // The field under the cursor.
        for (size_t i = l.columns.size(); i-- > 0;) {
            if (at >= l.columns[i]) {
                value +=
                    " (field `" + std::string(k->fields[i]) + "` = " + number(l.numbers[i]) + ")";
                break;
            }
        }
        value += "\n\n" + rd.words;
        if (!l.complete) value += "\n\nThe record is cut short: not every field is there.";
        if (compiled != nullptr) {
            if (!rd.cells.empty() || !rd.compiled.empty()) value += "\n\nAfter compiling:";
            for (int64_t c : rd.cells) value += "\n- " + cell_text(*compiled, c);
            for (const std::string& s : rd.compiled) value += "\n- " + s;
        }
        range =
            range_on(line, utf8_line, l.keyword_column, chars_before(utf8_line, utf8_line.size()));
    }
    return {{"contents", {{"kind", "markdown"}, {"value", value}}}, {"range", range}};
}

}  // namespace binario::lsp
