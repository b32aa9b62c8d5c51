// Exclusive use of an output folder among the processes that write into it.
//
// Guarantees an implementation must give (the Linux one uses flock() on the
// folder itself, so no file is added to the folder):
// - While one holder exists in any process, a holder in another process waits
//   or, when it must not wait, fails at once with cartella_occupata.
// - The lock goes with the process: the system releases it when the process
//   ends, however it ends, so a killed writer never blocks the next one.
// - Within one process the lock nests: a thread that holds it may take it again
//   (for example a command holding it around a library call that takes it too);
//   other threads of the process take turns.
// - It is advisory: only writers that take it are kept apart. On a file system
//   that has no locks it is taken without keeping anyone apart.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace binario {

// The folder is in use by another process and the caller asked not to wait.
class cartella_occupata : public std::runtime_error {
  public:
    explicit cartella_occupata(const std::string& cartella)
        : std::runtime_error(cartella + ": in use by another writer"), cartella_(cartella) {}
    const std::string& cartella() const { return cartella_; }

  private:
    std::string cartella_;
};

struct opzioni_blocco {
    bool attendi = true;  // false: fail at once with cartella_occupata
    // Called once when another process has held the folder for a while and the
    // wait goes on; may be empty.
    std::function<void()> avviso_attesa;
};

// Where a folder's own handle takes no lock (Windows), the lock is held on this
// file inside it, made on first use and left there for the next writer.
inline constexpr const char* nome_file_blocco = ".binario.lock";

class blocco_cartella {
  public:
    // Takes the lock of `cartella`; throws file_error when the folder cannot be
    // opened, cartella_occupata as above.
    explicit blocco_cartella(const std::string& cartella, const opzioni_blocco& o = {});
    ~blocco_cartella();
    blocco_cartella(const blocco_cartella&) = delete;
    blocco_cartella& operator=(const blocco_cartella&) = delete;

    // True for the outermost holder in this process: the folder was not in this
    // process's hands before, so what an earlier writer left is for it to mend.
    bool esterno() const { return esterno_; }

    struct voce;  // this process's hold on one folder

  private:
    std::shared_ptr<voce> voce_;
    bool esterno_ = false;
};

}  // namespace binario
