// The working state the loader shares between the line file and the train file:
// the item reader of the open file, the record being read, and the control flow
// of the loader's three ways out of a file's loop.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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
    int32_t riga_record = 0;         // line of the last record recognised
    int32_t riga_avvisata = 0;       // line already warned about an unknown item
    bool ultima_voce_persa = false;  // the loop ended right after reading an item

    explicit stato_caricamento(modello& mm) : m(mm) {}

    void apri(const sorgente& s);

    // Reads the next keyword item into m.riga; false when nothing was left.
    bool leggi_parola();
    // The next record's keyword, skipping up to `salti` items that contain "-".
    // False when the file has ended: the last item is never taken as a record.
    bool prossima_parola(int salti);
    // Number items of the widths the records use; throw guasto_lettura.
    int32_t numero32(const char* cosa);
    int16_t numero16(const char* cosa);
    uint8_t numero8(const char* cosa);
    std::string testo(const char* cosa);

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

// The train-file step of the load.
void carica_treno(stato_caricamento& s, const sorgente& treno);

}  // namespace binario
