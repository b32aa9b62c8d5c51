// Windows-1252, the code page of the description files and of the texts of the
// compiled table, and UTF-8, the encoding of terminals, JSON and SVG.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// Windows-1252 text as UTF-8, byte by byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the
// same number, so that no byte is lost.
std::string windows_1252_to_utf8(std::string_view text);

// Text that is valid UTF-8 is returned as it is; any other text is taken as
// Windows-1252 and converted, so the result is always valid UTF-8.
std::string as_utf8(std::string_view text);

// How the bytes of a description file are taken: as UTF-8 when the whole file is
// valid UTF-8 and holds at least one byte above 0x7F (a byte-order mark is such a
// byte); as Windows-1252 otherwise, which is also how plain ASCII reads. Windows-1252
// text passes for UTF-8 only when every byte above 0x7F stands in a sequence UTF-8
// allows (an accented capital followed by a symbol byte, as bytes C3 A9), which
// real text almost never does; one Windows-1252 letter elsewhere in the file (byte E8
// followed by a blank) is enough to keep the whole file Windows-1252.
bool reads_as_utf8(std::string_view text);

// A character of UTF-8 text that Windows-1252 cannot hold.
struct unheld_character {
    size_t offset = 0;  // in the converted text, where a '?' stands for it
    char32_t code_point = 0;
};

struct utf8_as_windows_1252 {
    std::string text;  // one byte per character, without the byte-order mark
    std::vector<unheld_character> unheld;
    bool byte_order_mark = false;              // the text began with one
    std::optional<size_t> first_beyond_ascii;  // offset in `text` of the first such character
};

// UTF-8 text (of a file that reads_as_utf8) as Windows-1252, one byte per character,
// so that offsets in the result count characters of the original; a leading
// byte-order mark is dropped and each character the code page cannot hold becomes '?'.
utf8_as_windows_1252 utf8_text_to_windows_1252(std::string_view utf8);

// The other way: UTF-8 text (a name typed on the command line) as Windows-1252, one
// byte per character. nullopt when a character has no Windows-1252 byte. Text that
// is not valid UTF-8 is taken to be single-byte already and returned as it is.
std::optional<std::string> utf8_to_windows_1252(std::string_view text);

// The same, with every character Windows-1252 cannot hold replaced by `replacement`:
// still one byte per character, so the columns of the text keep their places.
std::string utf8_to_windows_1252(std::string_view text, char replacement);

}  // namespace binario
