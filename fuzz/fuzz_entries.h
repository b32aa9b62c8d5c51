// The entry code of the fuzz targets, shared with the test that replays every
// input that ever found a fault. Each entry runs one input and checks what must
// hold whatever the bytes are; memory errors are left to the sanitizers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace binario::fuzz {

// Each returns a description of the first broken rule, or an empty string.

// The item reader on arbitrary text, driven by a script of text and number reads
// taken from the input: first byte n, then n script bytes (bit 0 of each: text or
// number read), then the text. The script is repeated until the text is used up.
std::string prova_lettore_voci(std::string_view dati);

// How the compile entry runs: the longest line the loader takes (a longer one
// stops the load with error 1, and a load that reads no line length checks its
// records against it), and whether the plan is built too. A plan costs a step
// per metre and the cells one record per 50 m: one long line costs as much as a
// thousand short ones.
struct limiti_compilazione {
    int32_t lunghezza_massima = 1000000;
    bool piano = true;
};

// The whole compile of a line file and a train file, in memory, without the plan
// (j = 0) and, when the limits take it, with it (j = 1), then the three compiled
// files as bytes.
std::string prova_compilazione(std::string_view dati, limiti_compilazione limiti = {});

// The ordinary compile target: lines up to 3000 m (200 cells), no plan, so that
// it tries well over a thousand inputs a second; fuzz_compile_long takes any line
// with its plan.
inline constexpr limiti_compilazione limiti_fuzz_corti{3000, false};

// The writer of a set of files, with its system calls failing from the input's
// choice on: one call failing with an error (the old set must stay, or the new
// one be whole, and nothing be left), or every call from one on failing, as for
// a process that died there (then the folder mended as the next writer does
// must hold one whole set and nothing else). Layout: byte 0 the number of files
// (1 to 3), byte 1 and 2 the call that fails (little-endian), byte 3 the way
// (bit 0: death; bits 1-2: the errno), byte 4 which files have an old version,
// then the contents, each a length byte and that many bytes (old then new).
std::string prova_scrittura_insieme(std::string_view dati);

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

namespace binario::fuzz {

// A random valid scenario whose every choice is taken from the input bytes
// (records, positions, values), compiled, decompiled and compiled again: when the
// scenario compiles without fault, the three files must come back byte-identical.
std::string prova_decompilazione_casuale(std::string_view dati);

// The bytes as a table file, a cell file and a plan file in turn, each beside the
// other two files of the built-in scenario: decompile and its check must take any
// decodable bytes without a crash, and call the round trip identical only when the
// recovered files compile to exactly those bytes.
std::string prova_decompilazione_file(std::string_view dati);

}  // namespace binario::fuzz
