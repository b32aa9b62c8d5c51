#include "formats/item_reader.h"

#include <algorithm>
#include <limits>

namespace binario {

void lettore_voci::salta_bianchi() {
    while (bianco(pos_)) ++pos_;
}

void lettore_voci::consuma_a_capo() {
    // CR LF, a lone LF or a lone CR: one line end.
    if (pos_ < testo_.size() && testo_[pos_] == '\r') {
        ++pos_;
        if (pos_ < testo_.size() && testo_[pos_] == '\n') ++pos_;
    } else if (pos_ < testo_.size() && testo_[pos_] == '\n') {
        ++pos_;
    }
    ++riga_;
    inizio_riga_ = pos_;
}

void lettore_voci::riprendi_dopo_riga(size_t inizio, int32_t riga) {
    pos_ = std::min(inizio, testo_.size());
    riga_ = riga;
    inizio_riga_ = pos_;
    while (pos_ < testo_.size() && !a_capo(pos_)) ++pos_;
    if (pos_ < testo_.size()) consuma_a_capo();
    virgola_ = false;
}

void lettore_voci::segna_inizio() {
    inizio_riga_voce_ = inizio_riga_;
    riga_voce_ = riga_;
    colonna_voce_ = static_cast<int32_t>(pos_ - inizio_riga_) + 1;
}

bool lettore_voci::leggi_testo(std::string& voce) {
    voce.clear();
    virgola_ = false;
    salta_bianchi();
    segna_inizio();
    if (fine()) return false;
    auto fine_voce = [this](size_t p) {
        while (p < testo_.size() && testo_[p] != ',' && !a_capo(p)) ++p;
        return p;
    };
    if (testo_[pos_] == '"') {
        size_t inizio = ++pos_;
        while (pos_ < testo_.size() && testo_[pos_] != '"' && !a_capo(pos_)) ++pos_;
        voce.assign(testo_.substr(inizio, pos_ - inizio));
        pos_ = fine_voce(pos_);
    } else {
        size_t inizio = pos_;
        pos_ = fine_voce(pos_);
        size_t fine_testo = pos_;
        while (fine_testo > inizio &&
               (testo_[fine_testo - 1] == ' ' || testo_[fine_testo - 1] == '\t'))
            --fine_testo;
        voce.assign(testo_.substr(inizio, fine_testo - inizio));
    }
    if (pos_ < testo_.size()) {
        if (testo_[pos_] == ',') {
            ++pos_;
            virgola_ = true;
        } else {
            consuma_a_capo();
        }
    }
    return true;
}

lettore_voci::esito lettore_voci::leggi_numero(int64_t& valore, std::string& testo_letto) {
    valore = 0;
    testo_letto.clear();
    virgola_ = false;
    salta_bianchi();
    segna_inizio();
    if (fine()) return esito::fine_file;
    if (testo_[pos_] == ',') {  // empty item
        ++pos_;
        virgola_ = true;
        return esito::numero;
    }
    if (a_capo(pos_)) {  // empty item at the line end
        consuma_a_capo();
        return esito::numero;
    }
    size_t inizio = pos_;
    while (pos_ < testo_.size() && testo_[pos_] != ',' && !a_capo(pos_) && !bianco(pos_)) ++pos_;
    std::string_view parola = testo_.substr(inizio, pos_ - inizio);
    // The blanks after the number, then one comma or one line end.
    salta_bianchi();
    if (pos_ < testo_.size()) {
        if (testo_[pos_] == ',') {
            ++pos_;
            virgola_ = true;
        } else if (a_capo(pos_)) {
            consuma_a_capo();
        }
    }

    size_t i = 0;
    bool negativo = false;
    if (i < parola.size() && (parola[i] == '+' || parola[i] == '-')) negativo = parola[i++] == '-';
    if (i == parola.size()) {
        testo_letto = parola;
        return esito::non_numero;
    }
    // Accumulate with a cap far beyond 32 bits: any larger value does not fit anyway.
    constexpr int64_t tetto = int64_t{1} << 40;
    int64_t v = 0;
    bool troppo = false;
    for (; i < parola.size(); ++i) {
        char c = parola[i];
        if (c < '0' || c > '9') {
            testo_letto = parola;
            return esito::non_numero;
        }
        if (v < tetto) v = v * 10 + (c - '0');
        if (v >= tetto) troppo = true;
    }
    valore = negativo ? -v : v;
    if (troppo) {
        testo_letto = parola;
        return esito::fuori_misura;
    }
    return esito::numero;
}

namespace {
char minuscola(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool contiene(std::string_view voce, std::string_view parola) {
    if (parola.empty()) return true;
    if (parola.size() > voce.size()) return false;
    for (size_t i = 0; i + parola.size() <= voce.size(); ++i) {
        size_t j = 0;
        while (j < parola.size() && minuscola(voce[i + j]) == minuscola(parola[j])) ++j;
        if (j == parola.size()) return true;
    }
    return false;
}

bool contiene_esatto(std::string_view voce, std::string_view parola) {
    return voce.find(parola) != std::string_view::npos;
}

bool intestazione_sezione(std::string_view voce) {
    if (!contiene_esatto(voce, "[") || !contiene_esatto(voce, "]")) return false;
    size_t i = 0;
    while (i < voce.size() && (voce[i] == ' ' || voce[i] == '\t')) ++i;
    return !(i < voce.size() && voce[i] == '-');
}

}  // namespace binario
