// Helpers shared by the tests: scratch folders and running the program.
#pragma once

#include <string>
#include <vector>

#include "compiler/scenario_loader.h"

namespace binario::test {

// A fresh folder under the system's temporary folder, removed at destruction.
class cartella_temporanea {
  public:
    cartella_temporanea();
    ~cartella_temporanea();
    cartella_temporanea(const cartella_temporanea&) = delete;
    cartella_temporanea& operator=(const cartella_temporanea&) = delete;
    const std::string& percorso() const { return percorso_; }
    std::string file(const std::string& nome) const { return percorso_ + "/" + nome; }

  private:
    std::string percorso_;
};

struct esito_processo {
    int stato = -1;  // exit status
    std::string out;
    std::string err;
};

// Runs the built binario with the arguments (no shell), capturing both streams.
// Standard input is the file `ingresso`, or empty when none is given.
esito_processo esegui_binario(const std::vector<std::string>& argomenti,
                              const std::string& cartella_lavoro = "",
                              const std::string& ingresso = "");

// The same under another program: `davanti` (a program found on PATH and its
// arguments) runs binario with the arguments, as strace does. Linux only.
esito_processo esegui_binario_con(const std::vector<std::string>& davanti,
                                  const std::vector<std::string>& argomenti,
                                  const std::string& cartella_lavoro = "",
                                  const std::string& ingresso = "");

// Runs the program `programma` (a path, a copy of binario for example) the same way.
esito_processo esegui_programma(const std::string& programma,
                                const std::vector<std::string>& argomenti,
                                const std::string& cartella_lavoro = "");

// A binario started in the background (under `davanti` when not empty, Linux
// only), its output thrown away. attendi() must be called once to end it.
class processo_binario {
  public:
    processo_binario(const std::vector<std::string>& davanti,
                     const std::vector<std::string>& argomenti);
    ~processo_binario();
    processo_binario(const processo_binario&) = delete;
    processo_binario& operator=(const processo_binario&) = delete;

    // True while it runs.
    bool in_corso();
    // Its exit status once it ends (128 + the signal when one ended it).
    int attendi();
    // Ends it at once, giving it no chance to tidy up (SIGKILL on Linux).
    void uccidi();

  private:
    long long id_ = -1;  // the process id, or its handle on Windows
    int stato_ = -1;
    bool finito_ = false;
};

std::string leggi(const std::string& percorso);
void scrivi(const std::string& percorso, const std::string& contenuto);
bool esiste(const std::string& percorso);
// Makes a folder; false when it cannot (it exists, its parent does not).
bool crea_cartella(const std::string& percorso);
// A source file as the loader receives it, read, with the given name and text.
sorgente da_testo(const std::string& nome, const std::string& testo);

// Names of the entries of a folder, sorted; on Windows without the file that
// carries an output folder's lock there (folder_lock.h).
std::vector<std::string> elenco(const std::string& cartella);

}  // namespace binario::test
