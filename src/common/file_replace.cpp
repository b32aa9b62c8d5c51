#include "common/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "common/set_journal.h"
#include "platform/folder_lock.h"
#include "platform/temp_files.h"

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
    std::string temp;
    int fd = crea_temporaneo_accanto(percorso, ops, temp);
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
    std::string cartella, nome = percorso;
    auto barra = percorso.rfind('/');
    if (barra != std::string::npos) {
        cartella = percorso.substr(0, barra + 1);
        nome = percorso.substr(barra + 1);
    }
    return cartella + "." + nome + ".tmp-" + suffisso_casuale();
}

int crea_temporaneo_accanto(const std::string& percorso, const file_ops& ops, std::string& nome) {
    // A name is taken only by chance or by a file planted there: a few new ones
    // settle it.
    for (int prova = 0;; ++prova) {
        nome = nome_temporaneo(percorso);
        const int fd = ops.open_new(nome.c_str());
        if (fd >= 0 || errno != EEXIST || prova == 15) {
            if (fd < 0) nome.clear();
            return fd;
        }
    }
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
        [](const char* path) { return crea_temporaneo(path); },
        [](int fd, const char* data, size_t size) -> long { return ::write(fd, data, size); },
        [](int fd) { return ::close(fd); },
#ifdef _WIN32
        [](const char* from, const char* to) { return rinomina_sostituendo(from, to); },
#else
        [](const char* from, const char* to) { return ::rename(from, to); },
#endif
        [](const char* path) { return ::unlink(path); },
        [](const char* from, const char* to) { return ::link(from, to); },
        [](int fd, const iovec* parti, int n, long offset) -> long {
            return ::pwritev(fd, parti, n, offset);
        },
        [](const char* path, unsigned modo) { return ::chmod(path, static_cast<mode_t>(modo)); },
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

namespace {

std::string cartella_di(const std::string& percorso) {
    const auto barra = percorso.rfind('/');
    if (barra == std::string::npos) return std::string();
    return barra == 0 ? std::string("/") : percorso.substr(0, barra);
}
std::string nome_di(const std::string& percorso) {
    const auto barra = percorso.rfind('/');
    return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

// A second name for the old file at `percorso`: a hard link, or a copy where the
// file system has none. Empty when there is no old file.
std::string tieni_vecchio(const std::string& percorso, const file_ops& ops) {
    auto collega = [&ops](const char* da, const char* a) {
        return ops.link ? ops.link(da, a) : ::link(da, a);
    };
    for (int prova = 0; prova < 16; ++prova) {
        std::string copia = nome_temporaneo(percorso);
        if (collega(percorso.c_str(), copia.c_str()) == 0) return copia;
        if (errno == ENOENT) return std::string();
        if (errno == EEXIST) continue;
        // No hard links here (or a folder in the way): a copy of the bytes.
        const std::string vecchio = leggi_file(percorso);
        return scrivi_temporaneo(
            percorso, [&vecchio](const ricevi_blocco& r) { r(vecchio); }, ops);
    }
    throw file_error(percorso, motivo_da_errno(EEXIST));
}

}  // namespace

std::unique_ptr<blocco_cartella> prendi_cartella(const std::string& cartella,
                                                 const opzioni_blocco& o, const file_ops& ops) {
    auto blocco = std::make_unique<blocco_cartella>(cartella.empty() ? "." : cartella, o);
    if (blocco->esterno()) ripristina_cartella(cartella, ops);
    return blocco;
}

void sostituisci_file_prodotti(const std::vector<file_prodotto>& files, const file_ops& ops) {
    if (files.empty()) return;
    const std::string cartella = cartella_di(files.front().percorso);
    using stato = errore_insieme::stato;
    // Index by index beside `files`; those given already written are in from the start.
    std::vector<voce_giornale> voci(files.size());
    auto rimuovi = [&] {
        for (const voce_giornale& v : voci) {
            if (!v.temporaneo.empty()) ops.unlink(v.temporaneo.c_str());
            if (!v.copia.empty()) ops.unlink(v.copia.c_str());
        }
    };
    for (size_t i = 0; i < files.size(); ++i) voci[i].temporaneo = files[i].temporaneo;
    std::unique_ptr<blocco_cartella> blocco;
    try {
        try {
            blocco = prendi_cartella(cartella, {}, ops);
        } catch (const file_error& e) {
            // A missing folder is told as the file that cannot be written.
            if (e.percorso() == (cartella.empty() ? "." : cartella))
                throw file_error(files.front().percorso, e.motivo());
            throw;
        }
        for (size_t i = 0; i < files.size(); ++i)
            if (voci[i].temporaneo.empty())
                voci[i].temporaneo = scrivi_temporaneo(files[i].percorso, files[i].produci, ops);
        for (size_t i = 0; i < files.size(); ++i) {
            // The new file takes the permission bits of the one it replaces.
            struct stat st {};
            if (::lstat(files[i].percorso.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ops.chmod)
                ops.chmod(voci[i].temporaneo.c_str(), st.st_mode & 07777);
            if (files.size() > 1) voci[i].copia = tieni_vecchio(files[i].percorso, ops);
        }
    } catch (const file_error& e) {
        rimuovi();
        throw errore_insieme(e, stato::invariato);
    } catch (...) {
        rimuovi();
        throw;
    }

    // The journal, in place before the first rename; a single file needs none, its
    // rename is whole or not at all.
    const std::string giornale = (cartella.empty() ? "" : cartella + "/") + nome_giornale;
    if (files.size() > 1) {
        std::vector<voce_giornale> nomi = voci;
        for (size_t i = 0; i < nomi.size(); ++i) {
            nomi[i].bersaglio = nome_di(files[i].percorso);
            nomi[i].temporaneo = nome_di(nomi[i].temporaneo);
            nomi[i].copia = nomi[i].copia.empty() ? "" : nome_di(nomi[i].copia);
        }
        const std::string testo = serializza_giornale(nomi);
        try {
            const std::string t = scrivi_temporaneo(
                giornale, [&testo](const ricevi_blocco& r) { r(testo); }, ops);
            if (ops.rename(t.c_str(), giornale.c_str()) != 0) {
                const int e = errno;
                ops.unlink(t.c_str());
                throw file_error(giornale, motivo_da_errno(e));
            }
        } catch (const file_error& e) {
            rimuovi();
            throw errore_insieme(e, stato::invariato);
        }
    }
    // Full paths for putting back in this process.
    std::vector<voce_giornale> percorsi = voci;
    for (size_t i = 0; i < files.size(); ++i) percorsi[i].bersaglio = files[i].percorso;
    auto annulla = [&](const file_error& e, size_t rinominati) {
        if (rimetti_vecchi(std::string(), percorsi, ops, rinominati) != 0)
            throw errore_insieme(e, stato::incompleto);
        ops.unlink(giornale.c_str());
        throw errore_insieme(e, rinominati > 0 ? stato::rimesso : stato::invariato);
    };

    for (size_t i = 0; i < files.size(); ++i) {
        if (ops.rename(voci[i].temporaneo.c_str(), files[i].percorso.c_str()) != 0) {
            const file_error e(files[i].percorso, motivo_da_errno(errno));
            if (files.size() == 1) {
                ops.unlink(voci[i].temporaneo.c_str());
                throw errore_insieme(e, stato::invariato);
            }
            annulla(e, i);
        }
    }
    if (files.size() > 1 && ops.unlink(giornale.c_str()) != 0) {
        // A journal left behind would take the next writer back to the old set.
        annulla(file_error(giornale, motivo_da_errno(errno)), files.size());
    }
    for (const voce_giornale& v : voci)
        if (!v.copia.empty()) ops.unlink(v.copia.c_str());
}

std::string leggi_file(const std::string& percorso, size_t massimo) {
    // Not blocking on a FIFO with no writer: it is refused below anyway.
#ifdef _WIN32
    int fd = ::open(percorso.c_str(), O_RDONLY | O_BINARY);
#else
    int fd = ::open(percorso.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
    if (fd < 0) {
        int e = errno;
#ifdef _WIN32
        // Windows refuses to open a folder as a file as "access denied": say what it is.
        struct stat dir {};
        if (e == EACCES && ::stat(percorso.c_str(), &dir) == 0 && S_ISDIR(dir.st_mode)) e = EISDIR;
#endif
        throw file_error(percorso, motivo_da_errno(e));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int e = errno;
        ::close(fd);
        if (S_ISDIR(st.st_mode)) throw file_error(percorso, motivo_da_errno(EISDIR));
        if (e != 0 && st.st_mode == 0) throw file_error(percorso, motivo_da_errno(e));
        throw file_error(percorso, "not a regular file (a device, FIFO or socket)");
    }
    if (static_cast<unsigned long long>(st.st_size) > massimo) {
        ::close(fd);
        throw file_troppo_grande(percorso, "larger than " + std::to_string(massimo) +
                                               " bytes, the most this file may hold (" +
                                               std::to_string(st.st_size) + " bytes)");
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
        // A file that grows while read still stops at the cap.
        if (dati.size() + static_cast<size_t>(n) > massimo) {
            ::close(fd);
            throw file_troppo_grande(percorso, "larger than " + std::to_string(massimo) +
                                                   " bytes, the most this file may hold");
        }
        dati.append(blocco, static_cast<size_t>(n));
    }
    ::close(fd);
    return dati;
}

}  // namespace binario
