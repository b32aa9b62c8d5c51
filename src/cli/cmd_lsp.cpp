// binario lsp: the language server over standard input and output.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include "cli/app.h"
#include "cli/commands.h"
#include "lsp/language_server.h"

namespace binario {

namespace {

// Writes all of `data` to standard output; false once the client is gone.
bool write_all(const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

int serve() {
    // A client that closes its end must not kill the server in the middle of a write.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    bool client_gone = false;
    lsp::language_server server([&](const std::string& message) {
        if (!client_gone && !write_all(message)) client_gone = true;
    });
    char buffer[65536];
    while (!server.exited() && !client_gone) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // the client went away
        server.receive(std::string_view(buffer, static_cast<size_t>(n)));
    }
    return server.exit_code();
}

}  // namespace

void registra_lsp(CLI::App& app, elenco_azioni& azioni) {
    CLI::App* cmd = app.add_subcommand(
        "lsp",
        "Language server for editors, over standard input and output: diagnostics of the "
        "description files as they are typed, hover, outline and keyword completion. Reads "
        "files, never writes or deletes one.");
    cmd->footer(
        "Start it from the editor's language client, not by hand. A file NAME_linea.txt is\n"
        "checked together with NAME_CODE-.txt beside it (an open buffer's unsaved text is\n"
        "used), and reported exactly as 'binario check' reports it.\n"
        "Exit status: 0 after the client's shutdown and exit; 1 when the client exits or\n"
        "goes away without a shutdown.");
    cmd->callback([&azioni] { azioni.push_back([] { return serve(); }); });
}

}  // namespace binario
