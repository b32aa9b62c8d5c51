#include "service/scenario_names.h"

#include "platform/utf8_paths.h"

namespace binario {

std::string base_name(const std::string& percorso) {
    auto barra = last_separator(percorso);
    return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

namespace {
bool finisce_con(const std::string& s, const std::string& coda) {
    return s.size() >= coda.size() && s.compare(s.size() - coda.size(), coda.size(), coda) == 0;
}
}  // namespace

std::optional<std::string> linea_da_nome_file(const std::string& percorso_linea) {
    const std::string nome = base_name(percorso_linea);
    const std::string coda = "_linea.txt";
    if (!finisce_con(nome, coda) || nome.size() == coda.size()) return std::nullopt;
    return nome.substr(0, nome.size() - coda.size());
}

std::optional<std::string> treno_da_nome_file(const std::string& percorso_treno,
                                              const std::string& linea) {
    const std::string nome = base_name(percorso_treno);
    const std::string testa = linea + "_", coda = "-.txt";
    if (nome.size() <= testa.size() + coda.size() || nome.compare(0, testa.size(), testa) != 0 ||
        !finisce_con(nome, coda))
        return std::nullopt;
    return nome.substr(testa.size(), nome.size() - testa.size() - coda.size());
}

}  // namespace binario
