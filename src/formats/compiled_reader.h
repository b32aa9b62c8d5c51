// Decoders of the three compiled files, for tools that read them back. They
// accept any bytes: every length is checked before it is read, and a file that
// does not have the layout the writers produce is refused with the offset of the
// first byte that does not fit.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/track_model.h"

namespace binario {

// Where and why a file was refused. `offset` is the first byte of the field,
// element or cell that is cut short or wrong (for trailing bytes, the first of
// them; for a count that does not fit, the end of the file).
struct errore_decodifica {
    size_t offset = 0;
    std::string motivo;
};

// The decoded content, or the error. `dati` holds its default value when
// `errore` is set.
template <typename T>
struct esito_decodifica {
    T dati{};
    std::optional<errore_decodifica> errore;

    bool valido() const { return !errore.has_value(); }
};

using tabella_compilata = std::array<voce, numero_voci>;

// The table file: exactly 87 records and nothing after them.
esito_decodifica<tabella_compilata> decodifica_tabella(std::string_view dati);

// The cell file: at least one cell, and a size that is a whole number of
// 15-byte cells.
esito_decodifica<std::vector<cella>> decodifica_celle(std::string_view dati);

// The plan file: a sequence of tagged values (0 empty, 2 int16, 5 binary64),
// an even number of them and at least two; the first half is the x column of
// metres 0 upward, the second half the y column.
esito_decodifica<planimetria_metrica> decodifica_piano(std::string_view dati);

// A summary of a plan: element kinds, the extent of the points and how much
// the track turns.
struct riassunto_piano {
    size_t metri = 0;  // points per column
    size_t vuoti = 0;
    size_t interi = 0;
    size_t reali = 0;
    size_t non_finiti = 0;  // doubles that are NaN or infinite, left out below
    // Extent of the assigned, finite values of each column; empty when none.
    std::optional<double> x_min, x_max, y_min, y_max;
    // Turning of the heading between successive steps of fully assigned points,
    // in radians: net with turns to the right positive (x grows when heading
    // along +y), and total as the sum of the absolute turns. Steps of zero
    // length have no heading and are passed over.
    double svolta_netta = 0.0;
    double svolta_totale = 0.0;
};

riassunto_piano riassumi_piano(const planimetria_metrica& p);

}  // namespace binario
