// Random valid scenarios for the round-trip tests: curves, gradients, tunnels,
// speed and direction boards, stations, signals, slowdowns, code marks and the
// profiles, each drawn within the rules of the description files, on cells kept
// apart so that no recorder refuses a record. The choices come from a source the
// caller gives: a seeded generator in the tests, the input bytes in the fuzz target.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "scenario_generator.h"

namespace binario {

// Returns a whole number from lo to hi, both included (lo <= hi).
using scegli = std::function<int64_t(int64_t lo, int64_t hi)>;

// A scenario drawn with `caso`. It may still be refused by the compile (a code
// mark the placement cannot put down); scenario_valido tells.
scenario_generato scenario_casuale(const scegli& caso);

// True when the scenario compiles with no fault (warnings allowed) and no stop.
bool scenario_valido(const scenario_generato& s);

}  // namespace binario
