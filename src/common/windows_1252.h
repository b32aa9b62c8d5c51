// Windows-1252, the code page of the description files and of the texts of the
// compiled table, and UTF-8, the encoding of terminals, JSON and SVG.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace binario {

// Windows-1252 text as UTF-8, byte by byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the
// same number, so that no byte is lost.
std::string windows_1252_to_utf8(std::string_view text);

// Text that is valid UTF-8 is returned as it is; any other text is taken as
// Windows-1252 and converted, so the result is always valid UTF-8.
std::string as_utf8(std::string_view text);

// The other way: UTF-8 text (a name typed on the command line) as Windows-1252, one
// byte per character. nullopt when a character has no Windows-1252 byte. Text that
// is not valid UTF-8 is taken to be single-byte already and returned as it is.
std::optional<std::string> utf8_to_windows_1252(std::string_view text);

// The same, with every character Windows-1252 cannot hold replaced by `replacement`:
// still one byte per character, so the columns of the text keep their places.
std::string utf8_to_windows_1252(std::string_view text, char replacement);

}  // namespace binario
