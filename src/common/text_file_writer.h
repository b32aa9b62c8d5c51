// The text-file writer of the built-in content and the documents: a table of lines
// closed by an end marker that is never written; every line ends with CR LF and
// its bytes are written as they stand (Windows-1252 text).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace binario {

constexpr std::string_view fine_del_file = "riferimento fine del file";

// The bytes of the file: every entry before the first one equal to the marker,
// each followed by CR LF.
std::string componi_righe(std::span<const std::string_view> righe);

// Replaces the file at `percorso` with those bytes. Throws file_error.
void scrivi_file_testo(const std::string& percorso, std::span<const std::string_view> righe);

}  // namespace binario
