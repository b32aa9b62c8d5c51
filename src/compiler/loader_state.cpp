#include "compiler/loader_state.h"

#include <limits>
#include <utility>

namespace binario {

void stato_caricamento::apri(const sorgente& s) {
    lettore = lettore_voci(s.testo);
    m.sorgente_corrente = s.nome;
    m.riga_corrente = 0;
}

bool stato_caricamento::leggi_parola() {
    bool letto = lettore.leggi_testo(m.riga);
    m.riga_corrente = lettore.riga();
    return letto;
}

bool stato_caricamento::prossima_parola(int salti) {
    ultima_voce_persa = false;
    if (lettore.fine()) return false;
    ultima_voce_persa = true;
    leggi_parola();
    if (lettore.fine()) return false;
    for (int i = 0; i < salti && contiene_esatto(m.riga, "-"); ++i) {
        leggi_parola();
        if (lettore.fine()) return false;
    }
    ultima_voce_persa = false;
    return true;
}

namespace {

int64_t leggi_intero(lettore_voci& r, const char* cosa, int64_t minimo, int64_t massimo,
                     const char* larghezza) {
    int64_t v = 0;
    std::string testo;
    switch (r.leggi_numero(v, testo)) {
        case lettore_voci::esito::numero:
            break;
        case lettore_voci::esito::fine_file:
            throw guasto_lettura{std::string("record cut short by the end of the file: ") + cosa +
                                 " is missing"};
        case lettore_voci::esito::non_numero:
            throw guasto_lettura{std::string(cosa) + " \"" + testo + "\" is not a whole number"};
        case lettore_voci::esito::fuori_misura:
            throw guasto_lettura{std::string(cosa) + " " + testo + " does not fit " + larghezza};
    }
    if (v < minimo || v > massimo)
        throw guasto_lettura{std::string(cosa) + " " + std::to_string(v) + " does not fit " +
                             larghezza};
    return v;
}

}  // namespace

int32_t stato_caricamento::numero32(const char* cosa) {
    return static_cast<int32_t>(leggi_intero(lettore, cosa, std::numeric_limits<int32_t>::min(),
                                             std::numeric_limits<int32_t>::max(),
                                             "32 bits (-2147483648 to 2147483647)"));
}

int16_t stato_caricamento::numero16(const char* cosa) {
    return static_cast<int16_t>(
        leggi_intero(lettore, cosa, -32768, 32767, "16 bits (-32768 to 32767)"));
}

uint8_t stato_caricamento::numero8(const char* cosa) {
    return static_cast<uint8_t>(leggi_intero(lettore, cosa, 0, 255, "a byte (0 to 255)"));
}

std::string stato_caricamento::testo(const char* cosa) {
    std::string t;
    if (!lettore.leggi_testo(t))
        throw guasto_lettura{std::string("record cut short by the end of the file: ") + cosa +
                             " is missing"};
    // The table file stores a text's length in 16 bits.
    if (t.size() > 65535)
        throw guasto_lettura{std::string(cosa) + " of " + std::to_string(t.size()) +
                             " bytes is longer than the 65535 a table row can hold"};
    return t;
}

void stato_caricamento::controlla_posizione(int32_t p, const char* record, int32_t margine) {
    double cella = (static_cast<double>(p) + margine) / metri_cella;
    if (cella > m.ultima_cella) {
        registra_errore(m, errore_oltre_ultima_cella, p,
                        std::string(record) + " at chainage " + std::to_string(p) +
                            " lies beyond the last cell " + std::to_string(m.ultima_cella) +
                            " (line length + 7000 m); the rest of the file is not read");
        throw fine_anticipata{};
    }
}

namespace {
bool sembra_numero(std::string_view v) {
    size_t i = (!v.empty() && (v[0] == '-' || v[0] == '+')) ? 1 : 0;
    if (i == v.size()) return false;
    for (; i < v.size(); ++i)
        if (v[i] < '0' || v[i] > '9') return false;
    return true;
}
}  // namespace

void stato_caricamento::avvisa_voce_ignota(std::span<const std::string_view> parole) {
    const std::string& v = m.riga;
    if (v.empty() || m.riga_corrente == riga_avvisata || sembra_numero(v)) return;
    if (contiene_esatto(v, "[") || contiene_esatto(v, "]")) return;
    std::string citata = "\"" + v + "\"";
    if (auto vicina = parola_vicina(v, parole)) {
        std::string messaggio =
            citata + " is not a keyword; did you mean \"" + std::string(*vicina) + "\"?";
        if (contiene(v, *vicina)) messaggio += " (its words are case-sensitive)";
        if (lettore.seguita_da_virgola()) messaggio += " The values after it are ignored.";
        registra_avviso(m, messaggio);
    } else if (m.riga_corrente == riga_record) {
        registra_avviso(m, citata + " after the record's values is not read: it is ignored");
    } else if (lettore.seguita_da_virgola()) {
        registra_avviso(m, citata + " is not a keyword; the values after it are ignored");
    } else {
        return;  // a comment line
    }
    riga_avvisata = m.riga_corrente;
}

void stato_caricamento::avvisa_ultima_voce(bool riconosciuta) {
    if (ultima_voce_persa && riconosciuta)
        registra_avviso(m, "the last item \"" + m.riga +
                               "\" is not read as a record: the file must end with a line "
                               "that is no record, such as \"[fine]\"");
}

void stato_caricamento::interrompi(int32_t numero, std::optional<int32_t> progressiva,
                                   std::string messaggio) {
    registra_errore(m, numero, progressiva, std::move(messaggio));
    throw interruzione{};
}

}  // namespace binario
