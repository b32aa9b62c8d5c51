#include "compiler/loader_state.h"

#include <array>
#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

#include "common/windows_1252.h"

namespace binario {

namespace {

// Lines and columns of offsets in a text, asked in ascending order. Line ends are
// those of the item reader: CR LF, LF or a lone CR.
class posizioni {
  public:
    explicit posizioni(std::string_view t) : t_(t) {}
    void vai(size_t offset) {
        for (; pos_ < offset && pos_ < t_.size(); ++pos_) {
            if (t_[pos_] != '\r' && t_[pos_] != '\n') continue;
            if (t_[pos_] == '\r' && pos_ + 1 < t_.size() && t_[pos_ + 1] == '\n') ++pos_;
            ++riga_;
            inizio_ = pos_ + 1;
        }
    }
    int32_t riga() const { return riga_; }
    int32_t colonna(size_t offset) const { return static_cast<int32_t>(offset - inizio_ + 1); }

  private:
    std::string_view t_;
    size_t pos_ = 0;
    int32_t riga_ = 1;
    size_t inizio_ = 0;
};

std::string codice_unicode(char32_t cp) {
    char testo[16];
    std::snprintf(testo, sizeof testo, "U+%04X", static_cast<unsigned>(cp));
    return testo;
}

// A character as a message shows it: itself (in UTF-8) and its code point.
std::string carattere(char32_t cp) {
    std::string utf8;
    if (cp < 0x80) {
        utf8.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        utf8 += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
    } else if (cp < 0x10000) {
        utf8 += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (cp & 0x3F))};
    } else {
        utf8 +=
            {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
             static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
    }
    // Control characters are named by their code point alone.
    if (cp < 0xA0) return codice_unicode(cp);
    return "\"" + utf8 + "\" (" + codice_unicode(cp) + ")";
}

// The note that a file is read as UTF-8, and an error for each line with characters
// that Windows-1252 cannot hold (the first of them, and how many more).
void segnala_utf8(modello& m, const utf8_as_windows_1252& c) {
    posizioni p(c.text);
    if (c.first_beyond_ascii) {
        p.vai(*c.first_beyond_ascii);
        registra_nota(m, "utf8-source",
                      "the file is valid UTF-8 with characters beyond ASCII, so it is read as "
                      "UTF-8; its texts are stored in Windows-1252",
                      p.riga(), p.colonna(*c.first_beyond_ascii));
    } else {
        registra_nota(m, "utf8-source",
                      "the file begins with a UTF-8 byte-order mark, so it is read as UTF-8; the "
                      "mark itself is not read",
                      1);
    }
    // One error per line: its first such character, and how many more the line holds.
    posizioni q(c.text);
    int32_t riga = 0, colonna = 0, altri = 0;
    char32_t primo = 0;
    const auto segnala = [&] {
        if (riga == 0) return;
        std::string messaggio = carattere(primo) + " has no Windows-1252 byte; it is read as \"?\"";
        if (altri > 0)
            messaggio += " (and " + std::to_string(altri) + " more such character" +
                         (altri == 1 ? "" : "s") + " on this line)";
        registra_errore_in(m, errore_carattere_non_1252, riga, colonna, std::move(messaggio));
    };
    for (const unheld_character& u : c.unheld) {
        q.vai(u.offset);
        if (q.riga() == riga) {
            ++altri;
            continue;
        }
        segnala();
        riga = q.riga();
        colonna = q.colonna(u.offset);
        primo = u.code_point;
        altri = 0;
    }
    segnala();
}

}  // namespace

void stato_caricamento::apri(const sorgente& s, uint8_t file) {
    m.file_corrente = file;
    m.sorgente_corrente = s.nome;
    m.riga_corrente = 0;
    testo_convertito.reset();
    if (!reads_as_utf8(s.testo)) {
        lettore = lettore_voci(s.testo);
        return;
    }
    utf8_as_windows_1252 c = utf8_text_to_windows_1252(s.testo);
    segnala_utf8(m, c);
    testo_convertito = std::make_shared<const std::string>(std::move(c.text));
    lettore = lettore_voci(*testo_convertito);
}

bool stato_caricamento::leggi_parola() {
    bool letto = lettore.leggi_testo(m.riga);
    m.riga_corrente = lettore.riga();
    riga_parola = lettore.riga();
    inizio_riga_parola = lettore.inizio_riga_voce();
    record = nullptr;
    return letto;
}

void stato_caricamento::inizia_record(const char* nome, int valori) {
    record = nome;
    valori_attesi = valori;
    valori_letti = 0;
    avvisato_a_capo = false;
}

void stato_caricamento::record_unico(std::string_view chiave) {
    if (chiave.empty()) chiave = record;
    for (auto& [nome, riga] : righe_record_unici) {
        if (nome != chiave) continue;
        registra_avviso(m, "repeated-record",
                        std::string(chiave) +
                            " given again: this record replaces the one on line " +
                            std::to_string(riga));
        riga = m.riga_corrente;
        return;
    }
    righe_record_unici.emplace_back(chiave, m.riga_corrente);
}

void stato_caricamento::riprendi() {
    lettore.riprendi_dopo_riga(inizio_riga_parola, riga_parola);
    m.riga = "";
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

std::string stato_caricamento::valori_mancanti() const {
    return std::string(record) + " record on line " + std::to_string(riga_parola) + " has " +
           std::to_string(valori_letti) + (valori_letti == 1 ? " value" : " values") +
           "; it needs " + std::to_string(valori_attesi);
}

int64_t stato_caricamento::intero(const char* cosa, int64_t minimo, int64_t massimo,
                                  const char* larghezza) {
    int64_t v = 0;
    std::string testo;
    const auto esito = lettore.leggi_numero(v, testo);
    // Every record is one line: an item from a later line means the record ran out
    // of values, and the item belongs to the next record.
    const bool a_capo = record != nullptr && lettore.riga() > riga_parola;
    if (a_capo && esito != lettore_voci::esito::numero) throw guasto_lettura{valori_mancanti()};
    if (a_capo && !avvisato_a_capo) {
        avvisato_a_capo = true;
        registra_avviso(m, "missing-values",
                        valori_mancanti() + "; value " + std::to_string(valori_letti + 1) +
                            " is taken from line " + std::to_string(lettore.riga()));
    }
    ++valori_letti;
    switch (esito) {
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

int32_t stato_caricamento::numero32(const char* cosa) {
    return static_cast<int32_t>(intero(cosa, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max(),
                                       "32 bits (-2147483648 to 2147483647)"));
}

int16_t stato_caricamento::numero16(const char* cosa) {
    return static_cast<int16_t>(intero(cosa, -32768, 32767, "16 bits (-32768 to 32767)"));
}

uint8_t stato_caricamento::numero8(const char* cosa) {
    return static_cast<uint8_t>(intero(cosa, 0, 255, "a byte (0 to 255)"));
}

std::string stato_caricamento::testo(const char* cosa) {
    std::string t;
    const bool letto = lettore.leggi_testo(t);
    if (record != nullptr && !letto) throw guasto_lettura{valori_mancanti()};
    if (record != nullptr && lettore.riga() > riga_parola && !avvisato_a_capo) {
        avvisato_a_capo = true;
        registra_avviso(m, "missing-values",
                        valori_mancanti() + "; its " + cosa + " is taken from line " +
                            std::to_string(lettore.riga()) + ": \"" + t + "\"");
    }
    ++valori_letti;
    if (!letto)
        throw guasto_lettura{std::string("record cut short by the end of the file: ") + cosa +
                             " is missing"};
    // The table file stores a text's length in 16 bits.
    if (t.size() > 65535)
        throw guasto_lettura{std::string(cosa) + " of " + std::to_string(t.size()) +
                             " bytes is longer than the 65535 a table row can hold"};
    return t;
}

void stato_caricamento::controlla_posizione(int32_t p, const char* cosa, int32_t margine) {
    if (lunghezza && p > *lunghezza)
        registra_avviso(m, "beyond-line-end",
                        std::string(cosa) + " at chainage " + std::to_string(p) +
                            " lies beyond the end of the line (" + std::to_string(*lunghezza) +
                            " m)");
    double cella = (static_cast<double>(p) + margine) / metri_cella;
    if (cella > m.ultima_cella) {
        registra_errore(m, errore_oltre_ultima_cella, p,
                        std::string(cosa) + " at chainage " + std::to_string(p) +
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
    const bool riga_del_record = m.riga_corrente == riga_record;
    const bool virgola = lettore.seguita_da_virgola();
    // The nearest keyword is looked for once, and only when it is needed: to tell
    // what the item is, or for the text of a warning that is kept.
    std::optional<std::optional<std::string_view>> cercata;
    auto vicina = [&]() -> std::optional<std::string_view> {
        if (!cercata) cercata = parola_vicina(v, parole);
        return *cercata;
    };
    // An item followed by values on a line of its own is an unknown keyword whatever
    // it is near to; elsewhere only a near keyword makes it one. Without one it is
    // text after the record's values, or else a comment.
    if ((virgola && !riga_del_record) || vicina()) {
        registra_avviso_pigro(m, "unknown-keyword", [&] {
            const std::string citata = "\"" + v + "\"";
            const auto w = vicina();
            if (!w) return citata + " is not a keyword; the values after it are ignored";
            std::string messaggio =
                citata + " is not a keyword; did you mean \"" + std::string(*w) + "\"?";
            if (contiene(v, *w)) messaggio += " (its words are case-sensitive)";
            if (virgola) messaggio += " The values after it are ignored.";
            return messaggio;
        });
    } else if (riga_del_record) {
        registra_avviso_pigro(m, "trailing-text", [&] {
            return "\"" + v + "\" after the record's values is not read: it is ignored";
        });
    } else {
        return;  // a comment line
    }
    riga_avvisata = m.riga_corrente;
}

void stato_caricamento::avvisa_ultima_voce(bool riconosciuta) {
    if (ultima_voce_persa && riconosciuta)
        registra_avviso(m, "last-record-unread",
                        "the last item \"" + m.riga +
                            "\" is not read as a record: the file must end with a line "
                            "that is no record, such as \"[fine]\"");
}

namespace {

// What the compiled files are made of, saved while the load goes on after a stop.
// The plan is not saved: the pass after the stop never touches it.
struct stato_salvato {
    explicit stato_salvato(const modello& m)
        : celle(m.celle),
          origini(m.origini),
          tabella(m.tabella),
          inizio_gallerie(m.inizio_gallerie),
          fine_gallerie(m.fine_gallerie),
          numero_gallerie(m.numero_gallerie),
          lunghezza_estesa(m.lunghezza_estesa),
          ultima_cella(m.ultima_cella),
          riga(m.riga),
          sorgente(m.sorgente_corrente),
          riga_corrente(m.riga_corrente),
          file(m.file_corrente) {}

    void ripristina(modello& m) {
        m.celle = std::move(celle);
        m.origini = std::move(origini);
        m.tabella = tabella;
        m.inizio_gallerie = inizio_gallerie;
        m.fine_gallerie = fine_gallerie;
        m.numero_gallerie = numero_gallerie;
        m.lunghezza_estesa = lunghezza_estesa;
        m.ultima_cella = ultima_cella;
        m.riga = std::move(riga);
        m.sorgente_corrente = std::move(sorgente);
        m.riga_corrente = riga_corrente;
        m.file_corrente = file;
    }

    std::vector<cella> celle;
    std::vector<origine_evento> origini;
    std::array<voce, numero_voci> tabella;
    std::array<int32_t, massimo_gallerie + 1> inizio_gallerie;
    std::array<int32_t, massimo_gallerie + 1> fine_gallerie;
    int32_t numero_gallerie;
    int32_t lunghezza_estesa;
    int32_t ultima_cella;
    std::string riga;
    std::string sorgente;
    int32_t riga_corrente;
    uint8_t file;
};

}  // namespace

void in_diagnosi(stato_caricamento& s, const std::function<void(stato_caricamento&)>& resto) {
    modello& m = s.m;
    if (m.in_diagnosi) return;
    stato_salvato salvato(m);
    stato_caricamento copia = s;
    copia.osservatore = nullptr;
    m.in_diagnosi = true;
    if (m.celle.empty()) {
        // No line length was read: the records are checked against the longest line.
        m.lunghezza_estesa = m.lunghezza_massima + 7000;
        m.ultima_cella = static_cast<int32_t>(m.lunghezza_estesa / metri_cella);
        m.celle.assign(static_cast<size_t>(m.ultima_cella) + 1, cella{});
        m.origini.assign(m.celle.size(), origine_evento{});
    }
    try {
        resto(copia);
    } catch (const troppi_errori&) {
        diagnostica d;
        d.avviso = d.nota = true;
        d.nome = "too-many-errors";
        d.file = m.sorgente_corrente;
        d.messaggio = "too many errors after the stop (" +
                      std::to_string(massimo_errori_dopo_arresto) + "); the check ends here";
        aggiungi_diagnostica(m, std::move(d));
    } catch (const guasto_lettura& g) {
        registra_errore(m, errore_caricamento, std::nullopt, g.messaggio);
    } catch (const interruzione&) {
    } catch (const fine_anticipata&) {
    }
    m.in_diagnosi = false;
    salvato.ripristina(m);
}

void stato_caricamento::interrompi(int32_t numero, std::optional<int32_t> progressiva,
                                   std::string messaggio) {
    registra_errore(m, numero, progressiva, std::move(messaggio));
    throw interruzione{};
}

}  // namespace binario
