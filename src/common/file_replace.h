// Replacing files so that a reader sees either the old file or the complete new one:
// the new bytes go to a temporary file in the same folder, which is then renamed
// over the target. Every file the program writes goes through here.
#pragma once

#ifdef _WIN32
#include "platform/posix_windows.h"
#else
#include <sys/uio.h>
#endif

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_lock.h"

namespace binario {

// A failure of the platform: names the file and the operating system's reason.
class file_error : public std::runtime_error {
  public:
    file_error(const std::string& percorso, const std::string& motivo)
        : std::runtime_error(percorso + ": " + motivo), percorso_(percorso), motivo_(motivo) {}
    const std::string& percorso() const { return percorso_; }
    const std::string& motivo() const { return motivo_; }

  private:
    std::string percorso_;
    std::string motivo_;
};

// A set written in part: the error tells what the folder holds afterwards.
class errore_insieme : public file_error {
  public:
    enum class stato {
        invariato,   // no file of the set had been replaced
        rimesso,     // some had, and the earlier files are back
        incompleto,  // the earlier files could not be put back: the journal stays
    };
    errore_insieme(const file_error& e, stato s) : file_error(e), stato_(s) {}
    stato esito() const { return stato_; }

  private:
    stato stato_;
};

// The system calls the writer uses, replaceable so that tests can make them fail.
// The system's own (system_file_ops) come from the platform layer.
struct file_ops {
    // Creates a new file, never an existing one (EEXIST), marked in use while open.
    std::function<int(const char* path)> open_new;  // returns fd or -1 with errno
    std::function<long(int fd, const char* data, size_t size)> write;
    std::function<int(int fd)> close;
    std::function<int(const char* from, const char* to)> rename;
    std::function<int(const char* path)> unlink;
    // Optional: a second name for an existing file (keeps the old file while the new
    // set is renamed in); the system's link() when not set.
    std::function<int(const char* from, const char* to)> link;
    // Optional: a gathered write at a given offset; the system's pwritev() when not set.
    std::function<long(int fd, const iovec* parti, int n, long offset)> pwritev;
    // Optional: sets the permission bits of a file; not done when not set.
    std::function<int(const char* path, unsigned modo)> chmod;
};
const file_ops& system_file_ops();

struct file_da_scrivere {
    std::string percorso;
    std::string_view contenuto;
};

// A file whose bytes are handed over in blocks: `produci` calls its argument once
// per block, in order. For contents too large to hold whole.
using ricevi_blocco = std::function<void(std::string_view blocco)>;
// A file may also come already written: `temporaneo` names a complete temporary
// file beside the target (see nome_temporaneo), which is renamed in with the rest;
// from the call on, the set owns it and removes it on failure.
struct file_prodotto {
    std::string percorso;
    std::function<void(const ricevi_blocco&)> produci;
    std::string temporaneo;
};

// A new name for a temporary file beside `percorso`: ".NAME.tmp-" and random
// digits, so that no other process, even one with the same id, picks it.
std::string nome_temporaneo(const std::string& percorso);

// Creates a temporary file beside `percorso` with ops.open_new, under a new name
// when one is taken; returns the descriptor and sets `nome`, or -1 with errno.
int crea_temporaneo_accanto(const std::string& percorso, const file_ops& ops, std::string& nome);

// Writes all of `parti`, one after the other from `offset`, with ops.pwritev (or
// pwritev()); returns 0, or the errno of the failure. One call for many parts
// saves the file system's work per call: a 20 MB plan written in 160 KB calls
// took a third longer than in 640 KB calls.
int scrivi_in_posizione(const file_ops& ops, int fd, std::vector<iovec> parti, long offset);

// Every replacement below holds the lock of the folder (folder_lock.h) while it
// writes; the first holder in the process first mends what a dead writer left
// there (set_journal.h). A replaced file keeps the permission bits of the file it
// replaces.

// Replaces one file. Throws file_error; on failure the old file is untouched
// and no temporary file is left behind.
void sostituisci_file(const std::string& percorso, std::string_view contenuto,
                      const file_ops& ops = system_file_ops());

// Replaces several files of one folder as one set: all are written to temporary
// files first, and renamed into place only when every one is complete. The old
// files are kept under a second name, listed in a journal, until every rename has
// succeeded, so that a rename failing half-way, or a process dying there, puts
// them back. On a failure errore_insieme tells whether the old files are back
// (always, unless putting them back failed too) and no temporary file is left.
void sostituisci_file_insieme(const std::vector<file_da_scrivere>& files,
                              const file_ops& ops = system_file_ops());

// The same for files produced in blocks, each written as it comes. An exception
// thrown by a producer counts as a failure before the renames: the temporaries are
// removed, the old files stay as they were, and the exception goes on up.
void sostituisci_file_prodotti(const std::vector<file_prodotto>& files,
                               const file_ops& ops = system_file_ops());

// Takes the lock of `cartella` for a writer (the empty name is the current
// folder); the outermost holder in the process first mends what a writer that
// died left there. Throws file_error, or cartella_occupata when it must not wait.
std::unique_ptr<blocco_cartella> prendi_cartella(const std::string& cartella,
                                                 const opzioni_blocco& o = {},
                                                 const file_ops& ops = system_file_ops());

// Refusal of a file larger than the reader takes.
class file_troppo_grande : public file_error {
  public:
    using file_error::file_error;
};

// Reads a whole regular file; throws file_error when it cannot be read or is not
// a regular file (a folder, a FIFO, a device), file_troppo_grande when it holds
// more than `massimo` bytes, before reading it.
std::string leggi_file(const std::string& percorso, size_t massimo = SIZE_MAX);

}  // namespace binario
