#include "common/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <sstream>

namespace binario {
namespace {

std::string motivo_da_errno(int e) {
    return std::strerror(e);
}

// Writes the blocks of `produci` to a new temporary file as they come; returns its
// name. On any failure, the producer's own included, the temporary is removed.
std::string scrivi_temporaneo(const std::string& percorso,
                              const std::function<void(const ricevi_blocco&)>& produci,
                              const file_ops& ops) {
    std::string temp = nome_temporaneo(percorso);
    int fd = ops.open_new(temp.c_str());
    if (fd < 0) throw file_error(percorso, motivo_da_errno(errno));
    try {
        produci([&](std::string_view blocco) {
            const char* p = blocco.data();
            size_t resto = blocco.size();
            while (resto > 0) {
                size_t parte = resto < (1u << 20) ? resto : (1u << 20);
                long scritti = ops.write(fd, p, parte);
                if (scritti < 0 && errno == EINTR) continue;
                if (scritti <= 0)
                    throw file_error(percorso, motivo_da_errno(scritti < 0 ? errno : ENOSPC));
                p += scritti;
                resto -= static_cast<size_t>(scritti);
            }
        });
    } catch (...) {
        ops.close(fd);
        ops.unlink(temp.c_str());
        throw;
    }
    if (ops.close(fd) != 0) {
        int e = errno;
        ops.unlink(temp.c_str());
        throw file_error(percorso, motivo_da_errno(e));
    }
    return temp;
}

}  // namespace

std::string nome_temporaneo(const std::string& percorso) {
    static std::atomic<unsigned> contatore{0};
    std::string cartella, nome = percorso;
    auto barra = percorso.rfind('/');
    if (barra != std::string::npos) {
        cartella = percorso.substr(0, barra + 1);
        nome = percorso.substr(barra + 1);
    }
    return cartella + "." + nome + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(contatore++);
}

int scrivi_in_posizione(const file_ops& ops, int fd, std::vector<iovec> parti, long offset) {
    std::erase_if(parti, [](const iovec& v) { return v.iov_len == 0; });
    size_t i = 0;
    while (i < parti.size()) {
        const int n = static_cast<int>(std::min<size_t>(parti.size() - i, IOV_MAX));
        const long scritti = ops.pwritev ? ops.pwritev(fd, parti.data() + i, n, offset)
                                         : ::pwritev(fd, parti.data() + i, n, offset);
        if (scritti < 0 && errno == EINTR) continue;
        if (scritti <= 0) return scritti < 0 ? errno : ENOSPC;
        offset += scritti;
        // Past the parts written whole, into the one written in part.
        size_t resto = static_cast<size_t>(scritti);
        while (i < parti.size() && resto >= parti[i].iov_len) resto -= parti[i++].iov_len;
        if (resto > 0) {
            parti[i].iov_base = static_cast<char*>(parti[i].iov_base) + resto;
            parti[i].iov_len -= resto;
        }
    }
    return 0;
}

const file_ops& system_file_ops() {
    static const file_ops ops{
        [](const char* path) {
            return ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        },
        [](int fd, const char* data, size_t size) -> long { return ::write(fd, data, size); },
        [](int fd) { return ::close(fd); },
        [](const char* from, const char* to) { return ::rename(from, to); },
        [](const char* path) { return ::unlink(path); },
        [](const char* from, const char* to) { return ::link(from, to); },
        [](int fd, const iovec* parti, int n, long offset) -> long {
            return ::pwritev(fd, parti, n, offset);
        },
    };
    return ops;
}

void sostituisci_file(const std::string& percorso, std::string_view contenuto,
                      const file_ops& ops) {
    sostituisci_file_insieme({{percorso, contenuto}}, ops);
}

void sostituisci_file_insieme(const std::vector<file_da_scrivere>& files, const file_ops& ops) {
    std::vector<file_prodotto> prodotti;
    prodotti.reserve(files.size());
    for (const auto& f : files)
        prodotti.push_back({f.percorso, [c = f.contenuto](const ricevi_blocco& r) { r(c); }, {}});
    sostituisci_file_prodotti(prodotti, ops);
}

void sostituisci_file_prodotti(const std::vector<file_prodotto>& files, const file_ops& ops) {
    // Index by index beside `files`; those given already written are in from the start.
    std::vector<std::string> temporanei(files.size());
    for (size_t i = 0; i < files.size(); ++i) temporanei[i] = files[i].temporaneo;
    try {
        for (size_t i = 0; i < files.size(); ++i)
            if (temporanei[i].empty())
                temporanei[i] = scrivi_temporaneo(files[i].percorso, files[i].produci, ops);
    } catch (...) {
        for (const auto& t : temporanei)
            if (!t.empty()) ops.unlink(t.c_str());
        throw;
    }

    // Keep each old file under a second name until the whole set is in place.
    auto collega = [&ops](const char* da, const char* a) {
        return ops.link ? ops.link(da, a) : ::link(da, a);
    };
    std::vector<std::string> copie(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        std::string copia = nome_temporaneo(files[i].percorso);
        if (collega(files[i].percorso.c_str(), copia.c_str()) == 0) copie[i] = copia;
    }

    for (size_t i = 0; i < files.size(); ++i) {
        if (ops.rename(temporanei[i].c_str(), files[i].percorso.c_str()) != 0) {
            int e = errno;
            // Put back what was already replaced, then drop the rest.
            for (size_t j = 0; j < i; ++j) {
                if (!copie[j].empty())
                    ops.rename(copie[j].c_str(), files[j].percorso.c_str());
                else
                    ops.unlink(files[j].percorso.c_str());
            }
            for (size_t j = i; j < files.size(); ++j) {
                ops.unlink(temporanei[j].c_str());
                if (!copie[j].empty()) ops.unlink(copie[j].c_str());
            }
            throw file_error(files[i].percorso, motivo_da_errno(e));
        }
    }
    for (const auto& c : copie)
        if (!c.empty()) ops.unlink(c.c_str());
}

std::string leggi_file(const std::string& percorso) {
    int fd = ::open(percorso.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw file_error(percorso, motivo_da_errno(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        throw file_error(percorso, motivo_da_errno(e));
    }
    std::string dati;
    if (st.st_size > 0) dati.reserve(static_cast<size_t>(st.st_size));
    char blocco[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, blocco, sizeof blocco);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int e = errno;
            ::close(fd);
            throw file_error(percorso, motivo_da_errno(e));
        }
        if (n == 0) break;
        dati.append(blocco, static_cast<size_t>(n));
    }
    ::close(fd);
    return dati;
}

}  // namespace binario
