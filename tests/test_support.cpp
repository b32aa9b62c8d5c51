#include "test_support.h"

#include <fcntl.h>
#include <unistd.h>

#ifdef _WIN32
#include <windows.h>

#include "platform/temp_files.h"
#include "platform/text_windows.h"
#else
#include <signal.h>
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/folder_lock.h"
#include "platform/utf8_paths.h"

namespace binario::test {

sorgente da_testo(const std::string& nome, const std::string& testo) {
    sorgente s;
    s.nome = nome;
    s.testo = testo;
    s.stato_file = sorgente::stato::letto;
    return s;
}

#ifdef _WIN32

cartella_temporanea::cartella_temporanea() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100; ++i) {
        const std::filesystem::path p = base / ("binario-test-" + suffisso_casuale());
        if (std::filesystem::create_directory(p)) {
            percorso_ = path_to_utf8(p);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

#else

cartella_temporanea::cartella_temporanea() {
    std::string modello = (std::filesystem::temp_directory_path() / "binario-test-XXXXXX").string();
    if (::mkdtemp(modello.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    percorso_ = modello;
}

#endif

cartella_temporanea::~cartella_temporanea() {
    std::error_code ec;
    std::filesystem::remove_all(path_from_utf8(percorso_), ec);
}

esito_processo esegui_binario(const std::vector<std::string>& argomenti,
                              const std::string& cartella_lavoro, const std::string& ingresso) {
    return esegui_binario_con({}, argomenti, cartella_lavoro, ingresso);
}

#ifdef _WIN32

namespace {

// One argument as the C runtime of the child splits its command line: quoted
// when it holds a blank or a quote, backslashes doubled only before a quote.
std::wstring argomento_quotato(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\n\v\"") == std::wstring::npos) return a;
    std::wstring r = L"\"";
    size_t barre = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++barre;
            continue;
        }
        if (c == L'"')
            r.append(barre * 2 + 1, L'\\');
        else
            r.append(barre, L'\\');
        barre = 0;
        r += c;
    }
    r.append(barre * 2, L'\\');
    r += L'"';
    return r;
}

HANDLE apri_ereditabile(const std::string& percorso, bool scrittura) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    const std::wstring w = wide_da_utf8(percorso);
    HANDLE h =
        ::CreateFileW(w.c_str(), scrittura ? GENERIC_WRITE : GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                      scrittura ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot open " + percorso);
    return h;
}

// Starts binario with the arguments and the three standard handles; the
// process handle.
HANDLE avvia_con(const std::string& programma, const std::vector<std::string>& davanti,
                 const std::vector<std::string>& argomenti, const std::string& cartella_lavoro,
                 HANDLE in, HANDLE out, HANDLE err) {
    if (!davanti.empty()) throw std::runtime_error("no wrapper programs on Windows");
    const std::wstring exe = wide_da_utf8(programma);
    std::wstring riga = argomento_quotato(exe);
    for (const std::string& a : argomenti) riga += L" " + argomento_quotato(wide_da_utf8(a));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    const std::wstring cartella = wide_da_utf8(cartella_lavoro);
    if (!::CreateProcessW(exe.c_str(), riga.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          cartella_lavoro.empty() ? nullptr : cartella.c_str(), &si, &pi))
        throw std::runtime_error("cannot start " + programma);
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

int fine(HANDLE processo) {
    ::WaitForSingleObject(processo, INFINITE);
    DWORD codice = 0;
    ::GetExitCodeProcess(processo, &codice);
    return static_cast<int>(codice);
}

esito_processo esegui(const std::string& programma, const std::vector<std::string>& davanti,
                      const std::vector<std::string>& argomenti, const std::string& cartella_lavoro,
                      const std::string& ingresso) {
    cartella_temporanea catture;
    const std::string out_path = catture.file("out"), err_path = catture.file("err");
    esito_processo r;
    {
        HANDLE o = apri_ereditabile(out_path, true);
        HANDLE e = apri_ereditabile(err_path, true);
        HANDLE in = apri_ereditabile(ingresso.empty() ? "NUL" : ingresso, false);
        HANDLE p = nullptr;
        try {
            p = avvia_con(programma, davanti, argomenti, cartella_lavoro, in, o, e);
        } catch (...) {
            for (HANDLE h : {o, e, in}) ::CloseHandle(h);
            throw;
        }
        for (HANDLE h : {o, e, in}) ::CloseHandle(h);
        r.stato = fine(p);
        ::CloseHandle(p);
    }
    r.out = leggi(out_path);
    r.err = leggi(err_path);
    return r;
}

}  // namespace

processo_binario::processo_binario(const std::vector<std::string>& davanti,
                                   const std::vector<std::string>& argomenti) {
    HANDLE nulla = apri_ereditabile("NUL", true);
    HANDLE in = apri_ereditabile("NUL", false);
    try {
        id_ = reinterpret_cast<long long>(
            avvia_con(BINARIO_EXE, davanti, argomenti, "", in, nulla, nulla));
    } catch (...) {
        ::CloseHandle(nulla);
        ::CloseHandle(in);
        throw;
    }
    ::CloseHandle(nulla);
    ::CloseHandle(in);
}

processo_binario::~processo_binario() {
    if (!finito_) {
        uccidi();
        attendi();
    }
}

bool processo_binario::in_corso() {
    return !finito_ && ::WaitForSingleObject(reinterpret_cast<HANDLE>(id_), 0) == WAIT_TIMEOUT;
}

int processo_binario::attendi() {
    if (!finito_) {
        stato_ = fine(reinterpret_cast<HANDLE>(id_));
        ::CloseHandle(reinterpret_cast<HANDLE>(id_));
        finito_ = true;
    }
    return stato_;
}

void processo_binario::uccidi() {
    // The status a kill by SIGKILL gives on Linux.
    if (!finito_) ::TerminateProcess(reinterpret_cast<HANDLE>(id_), 128 + 9);
}

#else

namespace {

// Runs binario under `davanti` in a child whose standard handles are the given
// files; returns its id.
pid_t avvia_con(const std::string& programma, const std::vector<std::string>& davanti,
                const std::vector<std::string>& argomenti, const std::string& cartella_lavoro,
                const std::string& in, const std::string& out, const std::string& err) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int i = ::open(in.c_str(), O_RDONLY);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::dup2(i, 0);
        if (!cartella_lavoro.empty() && ::chdir(cartella_lavoro.c_str()) != 0) ::_exit(127);
        std::vector<char*> argv;
        std::vector<std::string> copie = davanti;
        copie.push_back(programma);
        copie.insert(copie.end(), argomenti.begin(), argomenti.end());
        for (auto& a : copie) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    return pid;
}

int stato_di(int stato) {
    return WIFEXITED(stato) ? WEXITSTATUS(stato) : 128 + WTERMSIG(stato);
}

esito_processo esegui(const std::string& programma, const std::vector<std::string>& davanti,
                      const std::vector<std::string>& argomenti, const std::string& cartella_lavoro,
                      const std::string& ingresso) {
    cartella_temporanea catture;
    std::string out_path = catture.file("out"), err_path = catture.file("err");
    const pid_t pid = avvia_con(programma, davanti, argomenti, cartella_lavoro,
                                ingresso.empty() ? "/dev/null" : ingresso, out_path, err_path);
    int stato = 0;
    ::waitpid(pid, &stato, 0);
    esito_processo r;
    r.stato = stato_di(stato);
    r.out = leggi(out_path);
    r.err = leggi(err_path);
    return r;
}

}  // namespace

processo_binario::processo_binario(const std::vector<std::string>& davanti,
                                   const std::vector<std::string>& argomenti)
    : id_(avvia_con(BINARIO_EXE, davanti, argomenti, "", "/dev/null", "/dev/null", "/dev/null")) {}

processo_binario::~processo_binario() {
    if (!finito_) {
        uccidi();
        attendi();
    }
}

bool processo_binario::in_corso() {
    if (finito_) return false;
    int stato = 0;
    if (::waitpid(static_cast<pid_t>(id_), &stato, WNOHANG) == 0) return true;
    stato_ = stato_di(stato);
    finito_ = true;
    return false;
}

int processo_binario::attendi() {
    if (!finito_) {
        int stato = 0;
        ::waitpid(static_cast<pid_t>(id_), &stato, 0);
        stato_ = stato_di(stato);
        finito_ = true;
    }
    return stato_;
}

void processo_binario::uccidi() {
    if (!finito_) ::kill(static_cast<pid_t>(id_), SIGKILL);
}

#endif

esito_processo esegui_binario_con(const std::vector<std::string>& davanti,
                                  const std::vector<std::string>& argomenti,
                                  const std::string& cartella_lavoro, const std::string& ingresso) {
    return esegui(BINARIO_EXE, davanti, argomenti, cartella_lavoro, ingresso);
}

esito_processo esegui_programma(const std::string& programma,
                                const std::vector<std::string>& argomenti,
                                const std::string& cartella_lavoro) {
    return esegui(programma, {}, argomenti, cartella_lavoro, "");
}

std::string leggi(const std::string& percorso) {
    std::ifstream f(path_from_utf8(percorso), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void scrivi(const std::string& percorso, const std::string& contenuto) {
    std::ofstream f(path_from_utf8(percorso), std::ios::binary | std::ios::trunc);
    f << contenuto;
}

bool esiste(const std::string& percorso) {
    return ::access(percorso.c_str(), F_OK) == 0;
}

bool crea_cartella(const std::string& percorso) {
    std::error_code ec;
    return std::filesystem::create_directory(path_from_utf8(percorso), ec);
}

std::vector<std::string> elenco(const std::string& cartella) {
    std::vector<std::string> nomi;
    for (const auto& e : std::filesystem::directory_iterator(path_from_utf8(cartella))) {
        std::string nome = path_to_utf8(e.path().filename());
#ifdef _WIN32
        if (nome == nome_file_blocco) continue;
#endif
        nomi.push_back(std::move(nome));
    }
    std::sort(nomi.begin(), nomi.end());
    return nomi;
}

}  // namespace binario::test
