#include "common/text_file_writer.h"

#include "common/file_replace.h"

namespace binario {

std::string componi_righe(std::span<const std::string_view> righe) {
    std::string testo;
    for (std::string_view r : righe) {
        if (r == fine_del_file) break;
        testo.append(r);
        testo.append("\r\n");
    }
    return testo;
}

void scrivi_file_testo(const std::string& percorso, std::span<const std::string_view> righe) {
    sostituisci_file(percorso, componi_righe(righe));
}

}  // namespace binario
