// libFuzzer target for the language server's message reader. The input is fed
// whole and, in a second reader, in pieces whose sizes come from the input
// itself; both must hand out the same messages and faults, and neither may hold
// more than one message's worth of bytes. Then the whole input goes to a server,
// which must never throw or end the process, must answer every malformed message
// with a parse error, and must send only well-framed JSON.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/language_server.h"
#include "lsp/message_framing.h"

namespace {

[[noreturn]] void guasto(const char* cosa) {
    std::fprintf(stderr, "fuzz_lsp_reader: %s\n", cosa);
    std::abort();
}

std::vector<std::string> leggi(binario::lsp::message_reader& r) {
    std::vector<std::string> out;
    while (auto m = r.next()) out.push_back(m->ok ? "+" + m->body : "!" + m->fault);
    constexpr size_t limite =
        binario::lsp::message_reader::max_body + binario::lsp::message_reader::max_header + 4;
    if (r.pending() > limite) guasto("the reader holds more than one message");
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view in(reinterpret_cast<const char*>(data), size);

    binario::lsp::message_reader intero;
    intero.feed(in);
    const std::vector<std::string> attesi = leggi(intero);

    binario::lsp::message_reader a_pezzi;
    std::vector<std::string> visti;
    size_t i = 0, k = 0;
    while (i < in.size()) {
        const size_t n = 1 + static_cast<unsigned char>(in[k++ % in.size()]) % 23;
        a_pezzi.feed(in.substr(i, n));
        i += n;
        for (std::string& m : leggi(a_pezzi)) visti.push_back(std::move(m));
    }
    if (visti != attesi) guasto("pieces and the whole give different messages");

    // Every header fault and every body that is not JSON gets a parse-error answer
    // (unless an "exit" ended the server first).
    size_t da_rifiutare = 0;
    for (const std::string& m : attesi)
        if (m[0] == '!' || !nlohmann::json::accept(std::string_view(m).substr(1))) ++da_rifiutare;
    std::string risposte;
    binario::lsp::language_server server([&](const std::string& m) { risposte += m; });
    server.receive(in);
    binario::lsp::message_reader uscita;
    uscita.feed(risposte);
    size_t rifiutati = 0;
    while (auto m = uscita.next()) {
        if (!m->ok) guasto("the server framed an answer badly");
        const nlohmann::json j = nlohmann::json::parse(m->body, nullptr, false);
        if (j.is_discarded()) guasto("the server sent something that is not JSON");
        if (j.contains("error") && j["error"]["code"] == -32700) ++rifiutati;
    }
    if (!server.exited() && rifiutati != da_rifiutare)
        guasto("a malformed message got no parse-error answer");
    return 0;
}
