#include "lsp/record_guide.h"

#include "formats/item_reader.h"

namespace binario::lsp {

namespace {

using enum record_id;

const std::vector<record_kind>& table() {
    static const std::vector<record_kind> kinds = {
        {lunghezza,
         section::line_general,
         "lunghezza percorso",
         "the line length",
         {"length"},
         false,
         "Line length in metres, 0 to 1000000 (above: error 1; negative: error 25). Required: "
         "without it there is no line to build."},
        {progressiva_tre,
         section::line_general,
         "progressiva chilometrica tre",
         "kilometre-post reference three",
         {"first", "second", "third"},
         false,
         "Kilometre-post reference three (\"progressiva\" and \"tre\", case-sensitive). The "
         "first two values must be multiples of 50 (checked after the train file: error 2)."},
        {progressiva_due,
         section::line_general,
         "progressiva chilometrica due",
         "kilometre-post reference two",
         {"first", "second", "third"},
         false,
         "Kilometre-post reference two, same rules."},
        {progressiva_uno,
         section::line_general,
         "progressiva chilometrica uno",
         "kilometre-post reference one",
         {"first", "second", "third"},
         false,
         "Kilometre-post reference one, same rules."},
        {sfondo_uno,
         section::line_general,
         "sfondo uno",
         "scenery setting one",
         {"value"},
         false,
         "Scenery setting one (\"sfondo\" and \"uno\", case-sensitive)."},
        {sfondo_due,
         section::line_general,
         "sfondo due",
         "scenery setting two",
         {"value"},
         false,
         "Scenery setting two."},
        {sfondo_tre,
         section::line_general,
         "sfondo tre",
         "scenery setting three",
         {"value"},
         false,
         "Scenery setting three."},
        {ripetizione,
         section::line_general,
         "ripetizione segnali 4 codici",
         "the cab-signal repetition",
         {"first", "second"},
         false,
         "Cab-signal repetition: first and second chainage, each a multiple of 50 (errors 3 and "
         "4). The keyword item gives the number of codes: it must contain 4 or else 9 (error 5). "
         "A second chainage of 0 means no repetition."},
        {pendenza,
         section::line_profile,
         "pendenza",
         "a gradient change",
         {"chainage", "gradient"},
         false,
         "The gradient (per mille) from this chainage to the next gradient record; the last one "
         "holds to the end of the line. Stored as gradient + 100 in one byte from cell "
         "round(chainage / 50)."},
        {curva,
         section::line_profile,
         "curvad1",
         "a curve",
         {"start", "length"},
         false,
         "A curve of the track plan. The first digit 1 to 6 of the keyword gives the curvature "
         "0.0001, 0.0002, 0.0004, 0.001, 0.002 or 0.003 rad/m (no digit: error 103); an `s` "
         "makes it turn left, otherwise right. Curves do not overlap."},
        {montagna,
         section::line_profile,
         "montagna",
         "a tunnel",
         {"inizio", "fine", "tipo"},
         false,
         "A tunnel from `inizio` to `fine` of type `tipo`: cells round(inizio / 50) to "
         "round(fine / 50 - 1) get that type. A type above 10 means type - 10 with a tunnel "
         "mark in every fourth cell. At most 80 tunnels."},
        {indicatori,
         section::line_profile,
         "indicatori_vmax",
         "maximum-speed boards",
         {"posizione", "vas", "vbs", "vcs", "strisces", "vad", "vbd", "vcd", "strisced"},
         false,
         "Maximum-speed boards: three speeds and a stripes value for the left side, the same "
         "for the right; empty items read as 0. The board's cell round(posizione / 50 + 1) must "
         "hold no event (error 21)."},
        {cartello,
         section::line_profile,
         "cartello_indicatore",
         "a direction board",
         {"position", "text"},
         true,
         "A direction board. The text is kept as read, up to a comma unless it is quoted. The "
         "board's cell round(position / 50 + 1) must hold no event (error 6). The boards take "
         "table rows 80, 79, 78, ..."},
        {frenata,
         section::train,
         "percentuale massa frenata",
         "the braked-mass percentage",
         {"percent"},
         false,
         "Braked-mass percentage of the train (32-bit)."},
        {vetture,
         section::train,
         "numero vetture",
         "the number of cars",
         {"cars"},
         false,
         "Number of cars (32-bit)."},
        {velocita,
         section::train,
         "velocita",
         "a speed-limit change",
         {"chainage", "limit"},
         false,
         "Speed-limit profile, filled like the gradients. Stored as round(limit / 5) in one "
         "byte, so in steps of 5 km/h (outside 0 to 255: error 25)."},
        {aderenza,
         section::train,
         "aderenza",
         "an adhesion change",
         {"chainage", "percent"},
         false,
         "Adhesion profile, filled like the gradients; stored as the low 8 bits of the "
         "percent."},
        {orologio,
         section::train,
         "orologio",
         "the start clock",
         {"hours", "minutes", "seconds"},
         false,
         "Clock time at which the run starts (16-bit values)."},
        {sabbia,
         section::train,
         "sabbia",
         "the sand supply",
         {"sand"},
         false,
         "Sand supply (16-bit)."},
        {segnale,
         section::train,
         "segnale",
         "a signal",
         {"posizione", "sx", "s1", "s2", "s3", "rapp", "dx", "d1", "d2", "d3", "tempo"},
         false,
         "A signal in cell k = round(posizione / 50 + 1), which must hold no event (error 16). "
         "It becomes event 1 with dato1 = s1 x 10 + d1, dato2 = s2 x 10 + d2, dato3 = s3 x 10 + "
         "d3 and dato4 = rapp x 10 + sx x 3 + dx; cells k - 2, k - 4, k - 6, k - 8 get the "
         "approach marks."},
        {rallentamento,
         section::train,
         "rallentamento",
         "a slowdown",
         {"x", "v", "l", "f_tt", "f_ta", "d_v"},
         false,
         "A slowdown from `x`, at `v` km/h over `l` metres: start board in cell round(x / 50 + "
         "1), end board in cell round((x + l) / 50 + 1) and, when x > 1500, a warning board "
         "1200 m before the start (errors 17 to 20 when a cell is taken)."},
        {abbattimento,
         section::train,
         "abbattimento",
         "a code mark",
         {"position", "value"},
         false,
         "A code mark in cell round(position / 50), which must hold no event (error 7). A value "
         "above 0 gives event 12 carrying the value; 0 or less gives event 13."},
        {stazione,
         section::train,
         "stazione",
         "a station",
         {"chainage", "type", "platform", "first flag", "second flag", "extension", "group1 a",
          "group1 b", "group1 c", "group2 a", "group2 b", "group2 c", "stop", "hours", "minutes",
          "seconds", "name"},
         true,
         "A station stop: chainage (a multiple of 50, error 8), type, platform length (a "
         "multiple of 100, error 9), three flags, two groups passed on, stop time in seconds, "
         "departure time and name. Platforms lie at least 350 m apart (error 22)."},
    };
    return kinds;
}

bool both(std::string_view item, std::string_view a, std::string_view b) {
    return contiene_esatto(item, a) && contiene_esatto(item, b);
}

bool passes(record_id id, std::string_view r) {
    switch (id) {
        case lunghezza:
            return contiene(r, "percorso") && contiene(r, "lunghezza");
        case progressiva_tre:
            return both(r, "progressiva", "tre");
        case progressiva_due:
            return both(r, "progressiva", "due");
        case progressiva_uno:
            return both(r, "progressiva", "uno");
        case sfondo_uno:
            return both(r, "sfondo", "uno");
        case sfondo_due:
            return both(r, "sfondo", "due");
        case sfondo_tre:
            return both(r, "sfondo", "tre");
        case ripetizione:
            return both(r, "segnali", "ripetizione");
        case pendenza:
            return contiene(r, "pendenza");
        case curva:
            return contiene(r, "curva");
        case montagna:
            return contiene(r, "montagna");
        case indicatori:
            return contiene(r, "indicatori_v");
        case cartello:
            return contiene(r, "indicat") && contiene(r, "cartello");
        case frenata:
            return contiene(r, "frenata") && contiene(r, "massa");
        case vetture:
            return contiene(r, "vetture");
        case velocita:
            return contiene(r, "velocit");
        case aderenza:
            return contiene(r, "aderenza");
        case orologio:
            return contiene(r, "orologio");
        case sabbia:
            return contiene(r, "sabbia");
        case segnale:
            return contiene(r, "segnale");
        case rallentamento:
            return contiene(r, "rallentamento");
        case abbattimento:
            return contiene(r, "abbattimento");
        case stazione:
            return contiene(r, "stazione");
    }
    return false;
}

}  // namespace

std::span<const record_kind> record_kinds() {
    return table();
}

const record_kind* recognise(section where, std::string_view item) {
    for (const record_kind& k : table())
        if (k.where == where && passes(k.id, item)) return &k;
    return nullptr;
}

record_line read_record_line(std::string_view line, const record_kind* kind) {
    record_line r;
    lettore_voci reader(line);
    if (!reader.leggi_testo(r.keyword)) return r;
    r.keyword_column = static_cast<size_t>(reader.colonna() - 1);
    r.keyword_end = r.keyword_column + r.keyword.size();
    if (kind == nullptr) return r;
    const size_t count = kind->fields.size() - (kind->text_last ? 1 : 0);
    for (size_t i = 0; i < count; ++i) {
        if (reader.fine()) return r;
        int64_t value = 0;
        std::string read;
        if (reader.leggi_numero(value, read) != lettore_voci::esito::numero) return r;
        r.numbers.push_back(value);
        r.columns.push_back(static_cast<size_t>(reader.colonna() - 1));
    }
    if (kind->text_last) {
        if (reader.fine() || !reader.leggi_testo(r.text)) return r;
        r.text_column = static_cast<size_t>(reader.colonna() - 1);
    }
    r.complete = true;
    return r;
}

std::string snippet(const record_kind& k) {
    std::string s(k.keyword);
    for (size_t i = 0; i < k.fields.size(); ++i)
        s += ", ${" + std::to_string(i + 1) + ":" + std::string(k.fields[i]) + "}";
    return s;
}

}  // namespace binario::lsp

namespace binario::lsp {

std::vector<std::optional<section>> sections_of_lines(file_kind kind, std::string_view text) {
    std::vector<std::optional<section>> out;
    std::optional<section> now;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        const std::string_view line = text.substr(start, i - start);
        std::string item;
        lettore_voci reader(line);
        const bool has_item = reader.leggi_testo(item);
        if (!now) {
            out.push_back(std::nullopt);
            if (has_item && contiene(item, "[generale]"))
                now = kind == file_kind::line ? section::line_general : section::train;
        } else {
            if (*now == section::line_general && has_item && intestazione_sezione(item))
                now = section::line_profile;
            out.push_back(now);
        }
        if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return out;
}

}  // namespace binario::lsp
