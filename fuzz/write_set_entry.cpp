// The fuzz entry of the set writer under injected faults (see fuzz_entries.h).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "common/file_replace.h"
#include "common/set_journal.h"
#include "fuzz/fuzz_entries.h"
#include "platform/folder_lock.h"
#include "platform/temp_files.h"
#include "platform/utf8_paths.h"

namespace binario::fuzz {
namespace {

std::optional<std::string> leggi(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    if (!f) return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Without the file that carries the folder's lock on Windows (folder_lock.h).
std::vector<std::string> elenco(const std::string& cartella) {
    std::vector<std::string> v = nomi_in_cartella(cartella);
#ifdef _WIN32
    v.erase(std::remove(v.begin(), v.end(), nome_file_blocco), v.end());
#endif
    std::sort(v.begin(), v.end());
    return v;
}

// A new empty folder under the system's temporary folder; empty when none can be made.
std::string cartella_nuova() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    for (int i = 0; i < 100; ++i) {
        const std::filesystem::path p = base / ("binario-fuzz-set." + suffisso_casuale());
        if (std::filesystem::create_directory(p, ec)) return path_to_utf8(p);
        if (ec) return {};
    }
    return {};
}

void svuota(const std::string& cartella) {
    for (const std::string& n : nomi_in_cartella(cartella)) ::unlink((cartella + "/" + n).c_str());
    ::rmdir(cartella.c_str());
}

// The system calls, failing from call `da` on: only that one, or all of them.
struct guasti {
    long chiamate = 0;
    long da = -1;
    bool morte = false;
    int errore = EIO;
    bool colpito = false;
    bool colpita_rimozione = false;  // the failing call was an unlink: its file stays
    std::vector<int> aperti;         // descriptors a dead process left to the kernel to close

    bool fallisce() {
        const long n = chiamate++;
        if (n == da || (morte && da >= 0 && n > da)) {
            colpito = true;
            errno = errore;
            return true;
        }
        return false;
    }
    file_ops ops() {
        const file_ops& sys = system_file_ops();
        file_ops o = sys;
        o.open_new = [this, &sys](const char* p) {
            if (fallisce()) return -1;
            const int fd = sys.open_new(p);
            if (fd >= 0) aperti.push_back(fd);
            return fd;
        };
        o.write = [this, &sys](int fd, const char* d, size_t n) -> long {
            return fallisce() ? -1 : sys.write(fd, d, n);
        };
        // A descriptor is closed even when the call reports a failure.
        o.close = [this, &sys](int fd) {
            const bool f = fallisce();
            if (morte && f) return -1;  // a dead process closes nothing; the kernel will
            std::erase(aperti, fd);
            const int r = sys.close(fd);
            return f ? -1 : r;
        };
        o.rename = [this, &sys](const char* a, const char* b) {
            return fallisce() ? -1 : sys.rename(a, b);
        };
        o.unlink = [this, &sys](const char* p) {
            if (!fallisce()) return sys.unlink(p);
            colpita_rimozione = true;
            return -1;
        };
        o.link = [this, &sys](const char* a, const char* b) {
            return fallisce() ? -1 : sys.link(a, b);
        };
        o.chmod = [this, &sys](const char* p, unsigned m) {
            return fallisce() ? -1 : sys.chmod(p, m);
        };
        return o;
    }
};

}  // namespace

std::string prova_scrittura_insieme(std::string_view dati) {
    if (dati.size() < 5) return {};
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(dati[i]); };
    const size_t n = 1 + byte(0) % 3;
    guasti g;
    g.da = static_cast<long>(byte(1) | byte(2) << 8);
    g.morte = (byte(3) & 1) != 0;
    static const int errori[] = {EIO, ENOSPC, EXDEV, EPERM};
    g.errore = errori[(byte(3) >> 1) & 3];
    const unsigned vecchi_presenti = byte(4);
    size_t pos = 5;
    auto contenuto = [&] {
        if (pos >= dati.size()) return std::string();
        const size_t l = std::min<size_t>(byte(pos), dati.size() - pos - 1);
        std::string c(dati.substr(pos + 1, l));
        pos += 1 + l;
        return c;
    };

    const std::string cartella = cartella_nuova();
    if (cartella.empty()) return {};
    std::map<std::string, std::optional<std::string>> vecchi;
    std::map<std::string, std::string> nuovi;
    std::vector<std::string> contenuti_nuovi(n);
    for (size_t i = 0; i < n; ++i) {
        const std::string nome = "f" + std::to_string(i);
        if (vecchi_presenti >> i & 1) {
            vecchi[nome] = contenuto();
            std::ofstream(cartella + "/" + nome, std::ios::binary) << *vecchi[nome];
        } else {
            vecchi[nome] = std::nullopt;
        }
    }
    std::vector<file_da_scrivere> files;
    for (size_t i = 0; i < n; ++i) {
        const std::string nome = "f" + std::to_string(i);
        contenuti_nuovi[i] = contenuto();
        nuovi[nome] = contenuti_nuovi[i];
    }
    for (size_t i = 0; i < n; ++i)
        files.push_back({cartella + "/f" + std::to_string(i), contenuti_nuovi[i]});

    std::string guasto;
    std::optional<errore_insieme::stato> fallito;
    try {
        sostituisci_file_insieme(files, g.ops());
    } catch (const errore_insieme& e) {
        fallito = e.esito();
    } catch (const file_error& e) {
        guasto = std::string("a failure not told as a set's: ") + e.what();
    } catch (const std::exception& e) {
        guasto = std::string("the writer threw: ") + e.what();
    }
    if (fallito && !g.colpito && guasto.empty()) guasto = "failed with no fault injected";
    for (const int fd : g.aperti) ::close(fd);  // the process is gone
    // A removal that failed leaves its file to the next writer, which removes it
    // first; so does a process that died.
    if (guasto.empty() && g.colpito && (g.morte || g.colpita_rimozione)) {
        try {
            prendi_cartella(cartella);
        } catch (const std::exception& e) {
            guasto = std::string("the folder could not be mended: ") + e.what();
        }
    } else if (guasto.empty() && fallito == errore_insieme::stato::incompleto) {
        guasto = "a single failing call left the set incomplete";
    }
    if (guasto.empty()) {
        // One whole set, old or new, and nothing else.
        bool tutto_nuovo = true, tutto_vecchio = true;
        std::vector<std::string> attesi_nuovi, attesi_vecchi;
        for (const auto& [nome, c] : nuovi) {
            const auto ora = leggi(cartella + "/" + nome);
            tutto_nuovo = tutto_nuovo && ora == c;
            tutto_vecchio = tutto_vecchio && ora == vecchi[nome];
            attesi_nuovi.push_back(nome);
            if (vecchi[nome]) attesi_vecchi.push_back(nome);
        }
        const auto ora = elenco(cartella);
        if (!fallito && !g.morte && !tutto_nuovo)
            guasto = "the write succeeded but the new set is not in place";
        else if (fallito && !g.morte && !tutto_vecchio)
            guasto = "the write failed but the old set is not back";
        else if (!tutto_nuovo && !tutto_vecchio)
            guasto = "neither the old set nor the new one is whole";
        else if (ora != (tutto_nuovo ? attesi_nuovi : attesi_vecchi) &&
                 !(tutto_nuovo && tutto_vecchio))
            guasto = "files left beside the set (" + std::to_string(ora.size()) + " entries)";
    }
    svuota(cartella);
    return guasto;
}

}  // namespace binario::fuzz
