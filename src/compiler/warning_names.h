// The warnings and notes the compile can give, each under a stable name that the
// reports show and that turns it off. A name never changes once given.
#pragma once

#include <span>
#include <string_view>

namespace binario {

struct nome_avviso {
    const char* nome;
    const char* significato;  // one line, English
};

// Every warning and note, in the order of the author's guide.
std::span<const nome_avviso> avvisi_noti();

// Whether `nome` is the name of a warning or note.
bool avviso_noto(std::string_view nome);

}  // namespace binario
