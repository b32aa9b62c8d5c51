#include "fuzz/fuzz_entries.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/windows_1252.h"
#include "compiler/compile_driver.h"
#include "compiler/format_facts.h"
#include "compiler/plan_progress.h"
#include "formats/compiled_files.h"
#include "formats/compiled_reader.h"
#include "formats/compiled_records.h"
#include "formats/item_reader.h"
#include "formats/plan_shape.h"

namespace binario::fuzz {

namespace {

std::string numero(int64_t v) {
    return std::to_string(v);
}

bool bianco(char c) {
    return c == ' ' || c == '\t';
}
bool a_capo(char c) {
    return c == '\r' || c == '\n';
}

char minuscola(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string minuscole(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = minuscola(c);
    return r;
}

// Offsets where the lines of a text begin: after CR LF, a lone LF or a lone CR.
std::vector<size_t> inizi_riga(std::string_view t) {
    std::vector<size_t> inizi{0};
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r') {
            if (i + 1 < t.size() && t[i + 1] == '\n') ++i;
            inizi.push_back(i + 1);
        } else if (t[i] == '\n') {
            inizi.push_back(i + 1);
        }
    }
    return inizi;
}

// The offset of (line, column), both from 1, or nothing when it lies outside.
std::optional<size_t> offset_di(const std::vector<size_t>& inizi, std::string_view t, int32_t riga,
                                int32_t colonna) {
    if (riga < 1 || colonna < 1 || static_cast<size_t>(riga) > inizi.size()) return std::nullopt;
    const size_t inizio = inizi[static_cast<size_t>(riga) - 1];
    const size_t off = inizio + static_cast<size_t>(colonna) - 1;
    const size_t fine_riga =
        static_cast<size_t>(riga) < inizi.size() ? inizi[static_cast<size_t>(riga)] : t.size() + 1;
    if (off > t.size() || off >= fine_riga) return std::nullopt;
    return off;
}

// The keyword tests against a plain lower-case search; `voce_minuscola` is the
// item in lower case.
std::string controlla_parole(std::string_view voce, std::string_view voce_minuscola,
                             std::string_view parola) {
    const bool atteso = voce_minuscola.find(minuscole(parola)) != std::string::npos;
    if (contiene(voce, parola) != atteso)
        return "contiene(\"" + std::string(voce) + "\", \"" + std::string(parola) + "\") gives " +
               (atteso ? "false" : "true");
    if (contiene_esatto(voce, parola) != (voce.find(parola) != std::string_view::npos))
        return "contiene_esatto(\"" + std::string(voce) + "\", \"" + std::string(parola) +
               "\") is wrong";
    return {};
}

constexpr std::string_view parole_chiave[] = {
    "[generale]", "percorso", "lunghezza", "pendenza", "curva",   "montagna", "indicatori_v",
    "indicat",    "cartello", "velocit",   "aderenza", "segnale", "stazione", "uno",
};

}  // namespace

// ---- Item reader -------------------------------------------------------------

std::string prova_lettore_voci(std::string_view dati) {
    if (dati.empty()) return {};
    const size_t n = std::min<size_t>(static_cast<unsigned char>(dati[0]), dati.size() - 1);
    const std::string_view copione = dati.substr(1, n);
    const std::string_view corpo = dati.substr(1 + n);
    // A buffer of exactly the text's size: a read past its end is a sanitizer report.
    auto buffer = std::make_unique<char[]>(corpo.size());
    if (!corpo.empty()) std::memcpy(buffer.get(), corpo.data(), corpo.size());
    const std::string_view testo(buffer.get(), corpo.size());
    const std::vector<size_t> inizi = inizi_riga(testo);

    lettore_voci lettore(testo);
    size_t letture = 0;
    std::optional<size_t> ultimo_inizio;
    std::string voce, precedente, parola;
    while (!lettore.fine()) {
        // Every read that finds something consumes at least one byte.
        if (++letture > testo.size())
            return "the reader has not reached the end of " + numero(testo.size()) +
                   " bytes after " + numero(letture - 1) + " reads";
        const bool leggi_numero =
            copione.empty() ? letture % 2 == 0 : (copione[(letture - 1) % copione.size()] & 1) != 0;
        const std::string cosa = leggi_numero ? "number read " : "text read ";
        const std::string dove = cosa + numero(letture);
        bool trovato = true;
        if (leggi_numero) {
            int64_t v = 0;
            switch (lettore.leggi_numero(v, parola)) {
                case lettore_voci::esito::fine_file:
                    trovato = false;
                    break;
                case lettore_voci::esito::numero:
                    if (!parola.empty())
                        return dove + ": a number comes with text \"" + parola + "\"";
                    if (v >= (int64_t{1} << 40) || v <= -(int64_t{1} << 40))
                        return dove + ": " + numero(v) + " is past the reader's cap";
                    break;
                case lettore_voci::esito::non_numero: {
                    if (parola.empty()) return dove + ": not a number, but no text given";
                    for (char c : parola)
                        if (c == ',' || bianco(c) || a_capo(c))
                            return dove + ": the offending text \"" + parola +
                                   "\" holds a separator";
                    const size_t segno = (parola[0] == '+' || parola[0] == '-') ? 1 : 0;
                    const bool cifre =
                        parola.size() > segno &&
                        std::all_of(parola.begin() + static_cast<long>(segno), parola.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
                    if (cifre) return dove + ": \"" + parola + "\" is a number, refused";
                    break;
                }
                case lettore_voci::esito::fuori_misura: {
                    const size_t segno =
                        (!parola.empty() && (parola[0] == '+' || parola[0] == '-')) ? 1 : 0;
                    std::string_view cifre = std::string_view(parola).substr(segno);
                    const size_t zeri = std::min(cifre.find_first_not_of('0'), cifre.size());
                    cifre.remove_prefix(zeri);
                    if (cifre.size() < 13 || !std::all_of(cifre.begin(), cifre.end(), [](char c) {
                            return c >= '0' && c <= '9';
                        }))
                        return dove + ": \"" + parola + "\" is called too large";
                    break;
                }
            }
        } else {
            trovato = lettore.leggi_testo(voce);
        }
        if (!trovato) {
            // Only blanks were left.
            if (!lettore.fine()) return dove + ": nothing found, yet the reader is not at the end";
            break;
        }

        // The item's line and column point at where it begins in the text.
        const auto off = offset_di(inizi, testo, lettore.riga(), lettore.colonna());
        if (!off)
            return dove + ": line " + numero(lettore.riga()) + " column " +
                   numero(lettore.colonna()) + " is outside the text";
        if (ultimo_inizio && *off <= *ultimo_inizio)
            return dove + ": begins at offset " + numero(static_cast<int64_t>(*off)) +
                   ", not after the item before it";
        ultimo_inizio = off;
        if (*off < testo.size() && bianco(testo[*off]))
            return dove + ": begins on a blank at offset " + numero(static_cast<int64_t>(*off));
        if (leggi_numero) continue;

        for (char c : voce)
            if (a_capo(c)) return dove + ": text item \"" + voce + "\" holds a line end";
        if (*off < testo.size() && testo[*off] == '"') {
            if (testo.substr(*off + 1, voce.size()) != voce || voce.find('"') != std::string::npos)
                return dove + ": quoted item \"" + voce + "\" is not the text after the quote";
        } else {
            if (testo.substr(*off, voce.size()) != voce)
                return dove + ": item \"" + voce + "\" is not the text at its position";
            if (voce.find(',') != std::string::npos)
                return dove + ": item \"" + voce + "\" holds a comma";
            if (!voce.empty() && bianco(voce.back()))
                return dove + ": item \"" + voce + "\" ends with a blank";
        }
        const std::string voce_minuscola = minuscole(voce);
        for (std::string_view p : parole_chiave)
            if (auto e = controlla_parole(voce, voce_minuscola, p); !e.empty())
                return dove + ": " + e;
        if (auto e = controlla_parole(voce, voce_minuscola, precedente); !e.empty())
            return dove + ": " + e;
        const size_t primo = voce.find_first_not_of(" \t");
        const bool intestazione = voce.find('[') != std::string::npos &&
                                  voce.find(']') != std::string::npos &&
                                  !(primo != std::string::npos && voce[primo] == '-');
        if (intestazione_sezione(voce) != intestazione)
            return dove + ": \"" + voce + "\" taken wrongly as section header or not";
        precedente = voce;
    }
    // At the end every read finds nothing, and says so.
    if (lettore.leggi_testo(voce)) return "a text item read after the end";
    int64_t v = 0;
    if (lettore.leggi_numero(v, parola) != lettore_voci::esito::fine_file)
        return "a number read after the end does not report the end of the file";
    return {};
}

// ---- Compile -----------------------------------------------------------------

sorgenti_fuzz dividi_sorgenti(std::string_view dati) {
    sorgenti_fuzz s;
    const size_t sep = dati.find(separatore_sorgenti);
    if (sep == std::string_view::npos) {
        s.linea = dati;
        return s;
    }
    s.linea = dati.substr(0, sep);
    s.treno = dati.substr(sep + separatore_sorgenti.size());
    s.treno_presente = true;
    return s;
}

namespace {

constexpr const char* nome_linea = "Lavena_Torre Alta_linea.txt";
constexpr const char* nome_treno = "Lavena_Torre Alta_A 1-.txt";

struct compilato {
    modello m;
    esito_compilazione esito;
    std::string piano, tabella, celle;
};

// An error a compile can end with: any number with a meaning, except the two the
// one-shot run's stamps give.
bool numero_noto(int32_t n) {
    if (n == errore_timbro_presente || n == errore_codice_presente) return false;
    return n == 0 || significato_di(n) != nullptr;
}

bool evento_noto(uint8_t e) {
    static constexpr uint8_t noti[] = {0, 1, 2, 3, 4, 5, 6, 10, 11, 12, 13, 14};
    return std::find(std::begin(noti), std::end(noti), e) != std::end(noti);
}

size_t conta_righe(std::string_view t) {
    return inizi_riga(t).size();
}

// Runs the compile; returns the broken rule, if any.
std::string compila(compilato& c, const sorgente& linea, const sorgente& treno, int32_t j,
                    int32_t lunghezza_massima) {
    const std::string modo = "j = " + numero(j) + ": ";
    c.m.linea = "Lavena_Torre Alta";
    c.m.treno = "A 1";
    c.m.lunghezza_massima = lunghezza_massima;
    try {
        c.esito = compila_modello(c.m, j, linea, treno);
    } catch (const std::exception& e) {
        return modo + "the compile threw: " + e.what();
    }
    const modello& m = c.m;

    // The error state.
    if (!numero_noto(m.errore_numero))
        return modo + "unknown error number " + numero(m.errore_numero);
    if (c.esito.fermato != 0 && c.esito.fermato != 1250 && c.esito.fermato != 1251)
        return modo + "stopped with " + numero(c.esito.fermato);
    // The last error reported is the error state's, unless the report's limit left
    // errors out (they are only counted). Errors found after the stop are reported
    // but leave the error state alone.
    const diagnostica* ultimo_errore = nullptr;
    bool errori = false;
    const size_t righe_linea = conta_righe(linea.testo);
    const size_t righe_treno = conta_righe(treno.testo);
    for (const diagnostica& d : m.diagnostiche) {
        if (!d.avviso) errori = true;
        if (!d.avviso && !d.dopo_arresto) ultimo_errore = &d;
        if (d.avviso && d.numero != 0) return modo + "a warning with error number";
        if (d.messaggio.empty()) return modo + "a diagnostic without message";
        if (d.riga < 0) return modo + "a diagnostic on line " + numero(d.riga);
        if (d.file == linea.nome || d.file == treno.nome) {
            const size_t righe = d.file == linea.nome ? righe_linea : righe_treno;
            if (static_cast<size_t>(d.riga) > righe)
                return modo + "diagnostic \"" + d.messaggio + "\" on line " + numero(d.riga) +
                       " of " + d.file + ", which has " + numero(static_cast<int64_t>(righe)) +
                       " lines";
        } else if (!d.file.empty()) {
            return modo + "diagnostic names the file \"" + d.file + "\"";
        }
    }
    if (errori != (m.errore_numero != 0))
        return modo + "error number " + numero(m.errore_numero) + " and the diagnostics disagree";
    if (m.conteggio.errori_omessi == 0 && ultimo_errore != nullptr &&
        ultimo_errore->numero != m.errore_numero)
        return modo + "the last error recorded is " + numero(ultimo_errore->numero) +
               ", the error number " + numero(m.errore_numero);
    if (linea.stato_file == sorgente::stato::letto && !c.esito.consumati.linea)
        return modo + "a line file that was read is not consumed";

    // The cell array and its file.
    if (c.esito.celle_create == m.celle.empty()) return modo + "celle_create is wrong";
    if (c.esito.celle_create) {
        if (m.lunghezza_estesa < 7000 || m.lunghezza_estesa > lunghezza_massima + 7000)
            return modo + "extended length " + numero(m.lunghezza_estesa);
        if (m.celle.size() != static_cast<size_t>(m.ultima_cella) + 1)
            return modo + numero(static_cast<int64_t>(m.celle.size())) +
                   " cells for ultima_cella " + numero(m.ultima_cella);
        for (size_t i = 0; i < m.celle.size(); ++i)
            if (!evento_noto(m.celle[i].evento))
                return modo + "cell " + numero(static_cast<int64_t>(i)) + " holds event " +
                       numero(m.celle[i].evento);
        if (c.esito.fermato == 0 && (m.celle[1].dato1 != 5121 || m.tabella[85].intero1 != 610))
            return modo + "the stamps are missing";
    }
    c.celle = serializza_celle(m);
    if (c.celle.size() != 15 * m.celle.size())
        return modo + "cell file of " + numero(static_cast<int64_t>(c.celle.size())) +
               " bytes for " + numero(static_cast<int64_t>(m.celle.size())) + " cells";
    if (!m.celle.empty()) {
        auto d = decodifica_celle(c.celle);
        if (!d.valido()) return modo + "the cell file does not decode: " + d.errore->motivo;
        modello copia;
        copia.celle = d.dati;
        if (serializza_celle(copia) != c.celle) return modo + "the cell file does not round-trip";
    }

    // The table and its file.
    if (m.tabella[85].testo != m.linea || m.tabella[86].testo != m.treno)
        return modo + "rows 85 and 86 do not hold the line and train names";
    bool testo_lungo = false;
    for (const voce& v : m.tabella) testo_lungo = testo_lungo || v.testo.size() > 65535;
    try {
        c.tabella = serializza_tabella(m);
    } catch (const std::length_error&) {
        if (!testo_lungo) return modo + "the table was refused without a text over 65535 bytes";
    }
    if (!testo_lungo) {
        auto d = decodifica_tabella(c.tabella);
        if (!d.valido()) return modo + "the table file does not decode: " + d.errore->motivo;
        modello copia;
        copia.tabella = d.dati;
        if (serializza_tabella(copia) != c.tabella)
            return modo + "the table file does not round-trip";
    }

    // The plan and its file.
    try {
        c.piano = serializza_piano(m);
    } catch (const std::exception& e) {
        return modo + "the plan cannot be written: " + e.what();
    }
    if (j == 0 || !c.esito.celle_create) {
        if (j == 0 && !c.piano.empty()) return modo + "a plan without the plan switch";
    } else {
        if (m.planimetria.ultimo_metro != m.lunghezza_estesa)
            return modo + "the plan ends at metre " + numero(m.planimetria.ultimo_metro);
        size_t attesi = 0;
        for (tipo_valore t : m.planimetria.tipi)
            attesi += t == tipo_valore::vuoto ? 2 : t == tipo_valore::intero ? 4 : 10;
        if (m.planimetria.tipi.size() != 2 * (static_cast<size_t>(m.lunghezza_estesa) + 1) ||
            c.piano.size() != attesi)
            return modo + "plan file of " + numero(static_cast<int64_t>(c.piano.size())) +
                   " bytes for its elements";
        // Decoding and round trips of plan files are fuzz_inspect's; what inspect and
        // render take for a plan, every plan the compile builds must be.
        if (auto forma = controlla_forma_piano(m.planimetria))
            return modo + "the plan is refused as no plan the compiler writes: " + forma->motivo;
    }
    return {};
}

sorgente da_testo(const char* nome, std::string_view testo, bool presente) {
    sorgente s;
    s.nome = nome;
    if (presente) {
        s.stato_file = sorgente::stato::letto;
        s.testo = testo;
    }
    return s;
}

// Takes the reals as the loader computes them, as the streamed plan writer does,
// and keeps each range's bytes.
struct osservatore_in_memoria : osservatore_piano {
    struct intervallo {
        int32_t da, a;
        std::string byte;
        bool pronto = false;
    };
    std::vector<intervallo> intervalli;
    bool prende_i_reali(int32_t) override { return true; }
    char* spazio_reali(int32_t da, int32_t a) override {
        intervalli.push_back(
            {da, a, std::string(2 * byte_elemento_reale * static_cast<size_t>(a - da), '\0')});
        return intervalli.back().byte.data();
    }
    void punti_pronti(const planimetria_metrica&, int32_t fino) override {
        for (intervallo& i : intervalli)
            if (i.a <= fino) i.pronto = true;
    }
};

std::string reale_nel_file(double v) {
    char b[byte_elemento_reale];
    metti_elemento_reale(b, v);
    return std::string(b, sizeof b);
}

// The same sources compiled with an observer that takes the reals: the compact plan
// gives the file of the plan kept whole, the rest of the compile is the same, and
// every range the observer was told is final holds the file's bytes of its reals.
std::string confronta_compatta(const compilato& intero, const sorgente& linea,
                               const sorgente& treno) {
    modello m;
    m.linea = intero.m.linea;
    m.treno = intero.m.treno;
    m.lunghezza_massima = intero.m.lunghezza_massima;
    osservatore_in_memoria o;
    esito_compilazione esito;
    try {
        esito = compila_modello(m, 1, linea, treno, &o);
    } catch (const std::exception& e) {
        return std::string("compact plan: the compile threw: ") + e.what();
    }
    // The reals are taken when the line's length is final, before the plan is seeded;
    // a load stopped before that leaves the plan as dimensioned, all empty.
    if (!m.planimetria.compatta && intero.m.planimetria.tipo(0, 0) != tipo_valore::vuoto)
        return "compact plan: a seeded plan is not compact";
    if (m.errore_numero != intero.m.errore_numero ||
        m.errore_progressiva != intero.m.errore_progressiva ||
        esito.fermato != intero.esito.fermato || serializza_celle(m) != intero.celle)
        return "compact plan: the compile ends otherwise than with the plan kept whole";
    if (serializza_piano(m) != intero.piano)
        return "compact plan: its file differs from the plan kept whole";
    const planimetria_metrica& p = intero.m.planimetria;
    for (const auto& i : o.intervalli) {
        if (!i.pronto) continue;
        const size_t colonna = byte_elemento_reale * static_cast<size_t>(i.a - i.da);
        for (int32_t t = i.da; t < i.a; ++t) {
            const size_t k = byte_elemento_reale * static_cast<size_t>(t - i.da);
            for (int c = 0; c < 2; ++c)
                if (!p.contiene(t) || p.tipo(t, c) != tipo_valore::reale ||
                    i.byte.compare(c * colonna + k, byte_elemento_reale,
                                   reale_nel_file(p.valore(t, c))) != 0)
                    return "compact plan: the observer's bytes of metre " + numero(t) +
                           " differ from the plan kept whole";
        }
    }
    return {};
}

}  // namespace

std::string prova_compilazione(std::string_view dati, limiti_compilazione limiti) {
    const sorgenti_fuzz s = dividi_sorgenti(dati);
    const sorgente linea = da_testo(nome_linea, s.linea, true);
    const sorgente treno = da_testo(nome_treno, s.treno, s.treno_presente);

    // Without the plan first: cheap whatever the length.
    auto senza_piano = std::make_unique<compilato>();
    if (auto e = compila(*senza_piano, linea, treno, 0, limiti.lunghezza_massima); !e.empty())
        return e;
    const compilato& b = *senza_piano;
    if (!limiti.piano) return {};

    auto con_piano = std::make_unique<compilato>();
    if (auto e = compila(*con_piano, linea, treno, 1, limiti.lunghezza_massima); !e.empty())
        return e;
    const compilato& a = *con_piano;
    if (a.m.planimetria.esiste())
        if (auto e = confronta_compatta(a, linea, treno); !e.empty()) return e;

    // Without curve records the plan switch changes nothing but the plan.
    if (!contiene(s.linea, "curva")) {
        if (a.m.errore_numero != b.m.errore_numero ||
            a.m.errore_progressiva != b.m.errore_progressiva)
            return "error " + numero(a.m.errore_numero) + " at " + numero(a.m.errore_progressiva) +
                   " with the plan, " + numero(b.m.errore_numero) + " at " +
                   numero(b.m.errore_progressiva) + " without";
        if (a.esito.fermato != b.esito.fermato || a.celle != b.celle || a.tabella != b.tabella)
            return "the plan switch changes the cells or the table of a line without curves";
    }
    return {};
}

// ---- Decoders ----------------------------------------------------------------

namespace {

// Counts the code points of well-formed UTF-8, or nothing.
std::optional<size_t> punti_utf8(std::string_view s) {
    size_t punti = 0;
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t n = 0;
        uint32_t cp = 0;
        if (b < 0x80) {
            n = 1;
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            n = 2;
            cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            n = 3;
            cp = b & 0x0F;
        } else {
            return std::nullopt;
        }
        if (i + n > s.size()) return std::nullopt;
        for (size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return std::nullopt;
            cp = (cp << 6) | (c & 0x3F);
        }
        if ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (cp >= 0xD800 && cp <= 0xDFFF))
            return std::nullopt;
        i += n;
        ++punti;
    }
    return punti;
}

}  // namespace

std::string prova_decodifica(std::string_view dati) {
    const int64_t dimensione = static_cast<int64_t>(dati.size());
    auto fuori = [&](const std::optional<errore_decodifica>& e) {
        return e->offset > dati.size() || e->motivo.empty();
    };

    auto t = decodifica_tabella(dati);
    if (t.valido()) {
        modello copia;
        copia.tabella = t.dati;
        if (serializza_tabella(copia) != dati) return "a table that does not round-trip";
    } else if (fuori(t.errore)) {
        return "table refused at offset " + numero(static_cast<int64_t>(t.errore->offset)) +
               " of " + numero(dimensione) + " bytes, or without a reason";
    }

    auto c = decodifica_celle(dati);
    const bool celle_intere = !dati.empty() && dati.size() % 15 == 0;
    if (c.valido() != celle_intere)
        return std::string("a cell file of ") + numero(dimensione) + " bytes " +
               (c.valido() ? "accepted" : "refused");
    if (c.valido()) {
        modello copia;
        copia.celle = c.dati;
        if (serializza_celle(copia) != dati) return "a cell file that does not round-trip";
    } else if (fuori(c.errore)) {
        return "cells refused at offset " + numero(static_cast<int64_t>(c.errore->offset));
    }

    auto p = decodifica_piano(dati);
    if (p.valido()) {
        const planimetria_metrica& piano = p.dati;
        if (!piano.esiste() || piano.tipi.size() != 2 * piano.numero_metri() ||
            piano.valori.size() != piano.tipi.size())
            return "a decoded plan of the wrong shape";
        modello copia;
        copia.planimetria = piano;
        if (serializza_piano(copia) != dati) return "a plan that does not round-trip";
        const riassunto_piano r = riassumi_piano(piano);
        if (r.metri != piano.numero_metri() || r.vuoti + r.interi + r.reali != piano.tipi.size() ||
            r.non_finiti > r.reali)
            return "the plan summary does not count the elements";
        if (!(r.svolta_totale >= 0) ||
            std::abs(r.svolta_netta) > r.svolta_totale + 1e-9 * std::max(1.0, r.svolta_totale))
            return "the plan summary turns " + std::to_string(r.svolta_netta) + " net in " +
                   std::to_string(r.svolta_totale) + " total";
        for (const auto& [lo, hi] : {std::pair{r.x_min, r.x_max}, std::pair{r.y_min, r.y_max}}) {
            if (lo.has_value() != hi.has_value()) return "a plan extent with one end";
            if (lo && (!std::isfinite(*lo) || !std::isfinite(*hi) || *lo > *hi))
                return "a plan extent from " + std::to_string(*lo) + " to " + std::to_string(*hi);
        }
    } else if (fuori(p.errore)) {
        return "plan refused at offset " + numero(static_cast<int64_t>(p.errore->offset));
    }

    const std::string utf8 = windows_1252_to_utf8(dati);
    const auto punti = punti_utf8(utf8);
    if (!punti) return "Windows-1252 text converted to malformed UTF-8";
    if (*punti != dati.size())
        return numero(dimensione) + " bytes of text converted to " +
               numero(static_cast<int64_t>(*punti)) + " characters";
    return {};
}

}  // namespace binario::fuzz
