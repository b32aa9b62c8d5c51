// The entry code of the fuzz targets, shared with the test that replays every
// input that ever found a fault. Each entry runs one input and checks what must
// hold whatever the bytes are; memory errors are left to the sanitizers.
#pragma once

#include <string>
#include <string_view>

namespace binario::fuzz {

// Each returns a description of the first broken rule, or an empty string.

// The item reader on arbitrary text, driven by a script of text and number reads
// taken from the input: first byte n, then n script bytes (bit 0 of each: text or
// number read), then the text. The script is repeated until the text is used up.
std::string prova_lettore_voci(std::string_view dati);

// The whole compile of a line file and a train file, in memory, with the plan
// (j = 1) and without it (j = 0), then the three compiled files as bytes.
std::string prova_compilazione(std::string_view dati);

// The decoders of the three compiled files, each on the same bytes.
std::string prova_decodifica(std::string_view dati);

// How a compile input is split: the line file runs up to the first two NUL bytes
// in a row, the train file is everything after them. Without them the whole
// input is the line file and the train file is missing.
struct sorgenti_fuzz {
    std::string_view linea;
    std::string_view treno;
    bool treno_presente = false;
};
sorgenti_fuzz dividi_sorgenti(std::string_view dati);

// The separator, for tools that build compile inputs.
inline constexpr std::string_view separatore_sorgenti{"\0\0", 2};

}  // namespace binario::fuzz
