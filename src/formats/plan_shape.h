// The shape every plan file the compiler writes has, for readers that must tell
// a plan from other bytes that happen to decode as one (a file cut at an element
// boundary, a run of zero bytes, two files joined).
#pragma once

#include <optional>

#include "compiler/track_plan.h"
#include "formats/compiled_reader.h"

namespace binario {

// In each column: metres 0 and 1 integers (or empty), then reals from metre 2 on,
// then empty elements to the end; the two columns alike metre by metre. A plan
// the loader stopped early has fewer reals, or none; one never seeded is all
// empty. It runs from metre 0 to the line's length plus the 7000 m past its end.
// Its points are one continuous track: it starts at (0, 0), (0, 1), and each step
// is the one before it, straight or turned by the curvature of a degree (and
// lengthened as a curve lengthens it). Returns the first element that breaks the shape, by
// its byte offset.
std::optional<errore_decodifica> controlla_forma_piano(const planimetria_metrica& p);

}  // namespace binario
