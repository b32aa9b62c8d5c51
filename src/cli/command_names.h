// The command a mistyped word most likely meant, for "did you mean ...?".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace binario {

// The name in `nomi` that `parola` most likely meant: the same with two neighbouring
// letters swapped; else the closest one or two letters off (one for a name of up to
// four letters); else the only name that begins with it. None when nothing is that
// close.
std::optional<std::string> comando_vicino(const std::string& parola,
                                          const std::vector<std::string>& nomi);

}  // namespace binario
