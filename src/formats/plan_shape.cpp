#include "formats/plan_shape.h"

#include <string>

#include "compiler/format_facts.h"

namespace binario {
namespace {

size_t byte_elemento(tipo_valore t) {
    switch (t) {
        case tipo_valore::intero:
            return byte_elemento_intero;
        case tipo_valore::reale:
            return byte_elemento_reale;
        case tipo_valore::vuoto:
            break;
    }
    return byte_elemento_vuoto;
}

const char* nome_tipo(tipo_valore t) {
    return t == tipo_valore::intero ? "an int16" : t == tipo_valore::reale ? "a double" : "empty";
}

}  // namespace

std::optional<errore_decodifica> controlla_forma_piano(const planimetria_metrica& p) {
    if (!p.esiste()) return std::nullopt;
    size_t offset = 0;
    for (int c = 0; c < 2; ++c) {
        const char* colonna = c == 0 ? "x" : "y";
        bool vuoti = false;  // an empty element met past metre 1: only empty ones follow
        for (int32_t t = 0; t <= p.ultimo_metro; ++t) {
            const tipo_valore v = p.tipo(t, c);
            std::string guasto;
            if (v != p.tipo(t, 1 - c))
                guasto =
                    std::string("the x and y columns differ in kind at metre ") + std::to_string(t);
            else if (t < 2 && v == tipo_valore::reale)
                guasto = std::string(colonna) + " column, metre " + std::to_string(t) +
                         ": a double where the plan starts with int16 values";
            else if (t >= 2 && v == tipo_valore::intero)
                guasto = std::string(colonna) + " column, metre " + std::to_string(t) +
                         ": an int16 past the two starting points";
            else if (t >= 2 && vuoti && v != tipo_valore::vuoto)
                guasto = std::string(colonna) + " column, metre " + std::to_string(t) + ": " +
                         nome_tipo(v) + " after an empty element; the track does not continue";
            if (!guasto.empty())
                return errore_decodifica{offset, guasto +
                                                     " (not a plan file as the compiler "
                                                     "writes it; cut short or joined?)"};
            if (t >= 2 && v == tipo_valore::vuoto) vuoti = true;
            offset += byte_elemento(v);
        }
    }
    return std::nullopt;
}

}  // namespace binario
