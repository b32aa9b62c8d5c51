#include "test_support.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace binario::test {

sorgente da_testo(const std::string& nome, const std::string& testo) {
    sorgente s;
    s.nome = nome;
    s.testo = testo;
    s.stato_file = sorgente::stato::letto;
    return s;
}

cartella_temporanea::cartella_temporanea() {
    std::string modello = (std::filesystem::temp_directory_path() / "binario-test-XXXXXX").string();
    if (::mkdtemp(modello.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    percorso_ = modello;
}

cartella_temporanea::~cartella_temporanea() {
    std::error_code ec;
    std::filesystem::remove_all(percorso_, ec);
}

esito_processo esegui_binario(const std::vector<std::string>& argomenti,
                              const std::string& cartella_lavoro, const std::string& ingresso) {
    return esegui_binario_con({}, argomenti, cartella_lavoro, ingresso);
}

esito_processo esegui_binario_con(const std::vector<std::string>& davanti,
                                  const std::vector<std::string>& argomenti,
                                  const std::string& cartella_lavoro,
                                  const std::string& ingresso) {
    cartella_temporanea catture;
    std::string out_path = catture.file("out"), err_path = catture.file("err");
    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int o = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int in = ::open(ingresso.empty() ? "/dev/null" : ingresso.c_str(), O_RDONLY);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::dup2(in, 0);
        if (!cartella_lavoro.empty() && ::chdir(cartella_lavoro.c_str()) != 0) ::_exit(127);
        std::vector<char*> argv;
        std::vector<std::string> copie = davanti;
        copie.push_back(BINARIO_EXE);
        copie.insert(copie.end(), argomenti.begin(), argomenti.end());
        for (auto& a : copie) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int stato = 0;
    ::waitpid(pid, &stato, 0);
    esito_processo r;
    r.stato = WIFEXITED(stato) ? WEXITSTATUS(stato) : 128 + WTERMSIG(stato);
    r.out = leggi(out_path);
    r.err = leggi(err_path);
    return r;
}

std::string leggi(const std::string& percorso) {
    std::ifstream f(percorso, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void scrivi(const std::string& percorso, const std::string& contenuto) {
    std::ofstream f(percorso, std::ios::binary | std::ios::trunc);
    f << contenuto;
}

bool esiste(const std::string& percorso) {
    return ::access(percorso.c_str(), F_OK) == 0;
}

std::vector<std::string> elenco(const std::string& cartella) {
    std::vector<std::string> nomi;
    for (const auto& e : std::filesystem::directory_iterator(cartella))
        nomi.push_back(e.path().filename().string());
    std::sort(nomi.begin(), nomi.end());
    return nomi;
}

}  // namespace binario::test
