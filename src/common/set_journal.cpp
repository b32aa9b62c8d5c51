#include "common/set_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "platform/temp_files.h"

namespace binario {
namespace {

constexpr std::string_view intestazione = "binario journal 1\n";
constexpr std::string_view chiusura = "end\n";

// A field as its length, a space, its bytes and a newline: names may hold spaces.
void metti_campo(std::string& s, const std::string& campo) {
    s += std::to_string(campo.size());
    s += ' ';
    s += campo;
    s += '\n';
}

bool prendi_numero(std::string_view& t, char fine, size_t& n) {
    const auto r = std::from_chars(t.data(), t.data() + t.size(), n);
    if (r.ec != std::errc() || r.ptr == t.data() || r.ptr == t.data() + t.size() || *r.ptr != fine)
        return false;
    t.remove_prefix(static_cast<size_t>(r.ptr - t.data()) + 1);
    return true;
}

bool prendi_campo(std::string_view& t, std::string& campo) {
    size_t n = 0;
    if (!prendi_numero(t, ' ', n) || t.size() < n + 1 || t[n] != '\n') return false;
    campo.assign(t.substr(0, n));
    t.remove_prefix(n + 1);
    return true;
}

// A plain name in the folder: nothing that reaches elsewhere.
bool nome_semplice(const std::string& n) {
    return !n.empty() && n != "." && n != ".." && n.find('/') == std::string::npos &&
           n.find('\0') == std::string::npos;
}

// A name of the writer's own temporaries and second names.
bool nome_temporaneo_valido(const std::string& n) {
    return nome_semplice(n) && n[0] == '.' && n.find(".tmp-") != std::string::npos;
}

std::string in_cartella(const std::string& cartella, const std::string& nome) {
    return cartella.empty() ? nome : cartella + "/" + nome;
}

}  // namespace

std::string serializza_giornale(const std::vector<voce_giornale>& voci) {
    std::string s(intestazione);
    s += std::to_string(voci.size());
    s += '\n';
    for (const voce_giornale& v : voci) {
        metti_campo(s, v.bersaglio);
        metti_campo(s, v.temporaneo);
        metti_campo(s, v.copia);
    }
    s += chiusura;
    return s;
}

std::optional<std::vector<voce_giornale>> analizza_giornale(std::string_view t) {
    if (!t.starts_with(intestazione)) return std::nullopt;
    t.remove_prefix(intestazione.size());
    size_t n = 0;
    if (!prendi_numero(t, '\n', n) || n > 64) return std::nullopt;
    std::vector<voce_giornale> voci(n);
    for (voce_giornale& v : voci) {
        if (!prendi_campo(t, v.bersaglio) || !prendi_campo(t, v.temporaneo) ||
            !prendi_campo(t, v.copia))
            return std::nullopt;
        if (!nome_semplice(v.bersaglio) || !nome_temporaneo_valido(v.temporaneo) ||
            (!v.copia.empty() && !nome_temporaneo_valido(v.copia)))
            return std::nullopt;
    }
    if (t != chiusura) return std::nullopt;
    return voci;
}

int rimetti_vecchi(const std::string& cartella, const std::vector<voce_giornale>& voci,
                   const file_ops& ops, size_t rinominati) {
    int primo = 0;
    auto nota = [&primo](int r) {
        if (r != 0 && errno != ENOENT && primo == 0) primo = errno;
    };
    for (size_t i = 0; i < voci.size(); ++i) {
        const voce_giornale& v = voci[i];
        const std::string bersaglio = in_cartella(cartella, v.bersaglio);
        if (i >= rinominati) {
            // Never replaced: its second name only goes.
            if (!v.copia.empty()) nota(ops.unlink(in_cartella(cartella, v.copia).c_str()));
        } else if (v.copia.empty()) {
            // No old file: whatever stands there is the new one, or nothing.
            nota(ops.unlink(bersaglio.c_str()));
        } else {
            // A second name that is still a link to the target renames to nothing,
            // and is removed below.
            const std::string copia = in_cartella(cartella, v.copia);
            nota(ops.rename(copia.c_str(), bersaglio.c_str()));
            nota(ops.unlink(copia.c_str()));
        }
        nota(ops.unlink(in_cartella(cartella, v.temporaneo).c_str()));
    }
    return primo;
}

bool giornale_presente(const std::string& cartella) {
    struct stat st {};
    return ::lstat(in_cartella(cartella, nome_giornale).c_str(), &st) == 0;
}

esito_ripristino ripristina_cartella(const std::string& cartella, const file_ops& ops) {
    esito_ripristino esito;
    const std::string giornale = in_cartella(cartella, nome_giornale);
    if (giornale_presente(cartella)) {
        // Far larger than any journal: a file this size is not one.
        const std::string testo = leggi_file(giornale, 1 << 20);
        const auto voci = analizza_giornale(testo);
        if (!voci) throw file_error(giornale, "not a journal of this program; remove it by hand");
        if (const int e = rimetti_vecchi(cartella, *voci, ops); e != 0)
            throw file_error(giornale,
                             std::string("cannot put the earlier files back: ") + std::strerror(e));
        if (ops.unlink(giornale.c_str()) != 0 && errno != ENOENT)
            throw file_error(giornale, std::strerror(errno));
        esito.giornale = true;
    }
    for (const std::string& nome : nomi_in_cartella(cartella.empty() ? "." : cartella)) {
        if (!nome_temporaneo_valido(nome)) continue;
        const std::string p = in_cartella(cartella, nome);
        if (temporaneo_abbandonato(p) && ops.unlink(p.c_str()) == 0) ++esito.temporanei_rimossi;
    }
    return esito;
}

}  // namespace binario
