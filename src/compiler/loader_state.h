// The working state the loader shares between the line file and the train file:
// the item reader of the open file, the record being read, and the control flow
// of the loader's three ways out of a file's loop.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/loader_warnings.h"
#include "compiler/scenario_loader.h"
#include "compiler/track_model.h"
#include "formats/item_reader.h"

namespace binario {

// Any other fault while reading (a record cut short, a value that does not fit its
// field, text where a number belongs): error 25, both source files are consumed.
struct guasto_lettura {
    std::string messaggio;
};

// A fault that aborts the current file: its number is recorded and the file is
// consumed; the other one is left as it is.
struct interruzione {};

// The position check failed: the current file's loop ends, the load goes on.
struct fine_anticipata {};

struct stato_caricamento {
    modello& m;
    file_consumati consumati;
    lettore_voci lettore{std::string_view{}};
    // The open file's text in Windows-1252 when it was read as UTF-8; the reader
    // reads the source's own bytes otherwise. Shared by the copies of the state.
    std::shared_ptr<const std::string> testo_convertito;

    int32_t riga_tabella_cartelli = riga_primo_cartello;  // next board row
    int32_t indice_piano = 2;                             // next plan point
    ultimi_punti ultimi;                                  // the two plan points before indice_piano
    osservatore_piano* osservatore = nullptr;
    // Where the reals of metres [da_spazio, a_spazio) go, when the observer takes them.
    char* spazio = nullptr;
    int32_t da_spazio = 0;
    int32_t a_spazio = 0;
    int32_t indice_pendenza = 0;
    int32_t pendenza_precedente = 0;
    int32_t indice_velocita = 0;
    int32_t velocita_precedente = 0;
    int32_t indice_aderenza = 0;
    int32_t aderenza_precedente = 0;
    int32_t k = 1;  // next station number

    // For the warnings only.
    ordine_profilo ordine_pendenze{"gradient"};
    ordine_profilo ordine_velocita{"speed limit"};
    ordine_profilo ordine_aderenze{"adhesion"};
    ordine_profilo ordine_curve{"curve", false, false};
    ordine_profilo ordine_stazioni{"station", false, false};
    int64_t fine_curva_precedente = INT64_MIN;
    // The records that set one value, each with the line that set it last.
    std::vector<std::pair<std::string_view, int32_t>> righe_record_unici;
    int32_t riga_record = 0;           // line of the last record recognised
    std::optional<int32_t> lunghezza;  // the line length, once read

    // Where the load is, so that it can go on after a stop.
    enum class fase { nessuna, generale, tra, profili, dopo_linea, treno } punto = fase::nessuna;
    // Offset and number of the line of the last keyword item: a bad record is
    // skipped by going on from the line after it.
    size_t inizio_riga_parola = 0;
    int32_t riga_parola = 0;
    // The record being read: its name, how many values it needs, how many were read.
    const char* record = nullptr;
    int valori_attesi = 0;
    int valori_letti = 0;
    bool avvisato_a_capo = false;
    int32_t errori_dopo_arresto = 0;
    int32_t riga_avvisata = 0;       // line already warned about an unknown item
    bool ultima_voce_persa = false;  // the loop ended right after reading an item

    explicit stato_caricamento(modello& mm) : m(mm) {}

    // Starts reading a source; `file` is 1 for the line file, 2 for the train file.
    // A source that reads as UTF-8 is read in Windows-1252, with a note saying so and
    // an error (104) at each line that holds a character the code page cannot hold.
    void apri(const sorgente& s, uint8_t file);

    // Reads the next keyword item into m.riga; false when nothing was left.
    bool leggi_parola();
    // The next record's keyword, skipping up to `salti` items that contain "-".
    // False when the file has ended: the last item is never taken as a record.
    bool prossima_parola(int salti);
    // A record starts: its name for the messages and the number of values it needs.
    void inizia_record(const char* nome, int valori);
    // The record started sets one value, known as `chiave` (its name when none is
    // given): a second such record replaces it, and is warned about.
    void record_unico(std::string_view chiave = {});
    // Skips the rest of the bad record: reading goes on from the line after its keyword.
    void riprendi();
    // Number items of the widths the records use; throw guasto_lettura.
    int32_t numero32(const char* cosa);
    int16_t numero16(const char* cosa);
    uint8_t numero8(const char* cosa);
    std::string testo(const char* cosa);
    int64_t intero(const char* cosa, int64_t minimo, int64_t massimo, const char* larghezza);
    // "gradient record on line 18 has 1 value; it needs 2"
    std::string valori_mancanti() const;

    // The position check: (p + margine) / 50 must not exceed ultima_cella.
    void controlla_posizione(int32_t p, const char* record, int32_t margine = 100);

    // Warns about an item that matched no record, when it looks like a mistake.
    void avvisa_voce_ignota(std::span<const std::string_view> parole);
    // Warns when the file's last item, never taken as a record, is a keyword.
    void avvisa_ultima_voce(bool riconosciuta);

    // Records the fault and aborts the current file.
    [[noreturn]] void interrompi(int32_t numero, std::optional<int32_t> progressiva,
                                 std::string messaggio);
};

inline voce& riga_tabella(modello& m, int i) {
    return m.tabella.at(static_cast<size_t>(i));
}

// After the stop: the diagnostic check gives up after this many further faults.
constexpr int32_t massimo_errori_dopo_arresto = 50;
struct troppi_errori {};

// Runs one record. Normally a fault leaves the loop; once the load has stopped, it
// is reported, the record is skipped and reading goes on from the next line.
template <class F>
void esegui_record(stato_caricamento& s, F&& leggi) {
    if (!s.m.in_diagnosi) {
        leggi();
        return;
    }
    try {
        leggi();
        return;
    } catch (const interruzione&) {
    } catch (const fine_anticipata&) {
    } catch (const guasto_lettura& g) {
        registra_errore(s.m, errore_caricamento, std::nullopt, g.messaggio);
    }
    s.riprendi();
    if (++s.errori_dopo_arresto >= massimo_errori_dopo_arresto) throw troppi_errori{};
}

// Runs `resto` on a copy of the working state after the load has stopped, with the
// model's compiled state saved before and put back after: what it finds is only
// reported. It gives up after massimo_errori_dopo_arresto faults.
void in_diagnosi(stato_caricamento& s, const std::function<void(stato_caricamento&)>& resto);

// The train-file step of the load.
void carica_treno(stato_caricamento& s, const sorgente& treno);
// Its loop over the records, from where the reader stands.
void ciclo_treno(stato_caricamento& s);
void fine_file_treno(stato_caricamento& s);

}  // namespace binario
