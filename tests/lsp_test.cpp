// The language server: the message framing, the protocol's error answers and
// lifecycle, and the diagnostics, hover, outline and completion it gives for the
// built-in scenario, in process; and `binario lsp` as a process.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "lsp/document_store.h"
#include "lsp/language_server.h"
#include "lsp/message_framing.h"
#include "lsp/text_positions.h"
#include "test_support.h"

namespace binario {
namespace {

using nlohmann::json;

const std::string nome_linea = "Lavena_Torre Alta_linea.txt";
const std::string nome_treno = "Lavena_Torre Alta_A 1-.txt";

std::string messaggio(const json& j) {
    return lsp::frame(j.dump());
}

// ---- Framing ---------------------------------------------------------------------

std::vector<lsp::framed_message> tutti(lsp::message_reader& r) {
    std::vector<lsp::framed_message> out;
    while (auto m = r.next()) out.push_back(*m);
    return out;
}

TEST(LspFraming, BodiesComeWholeHoweverTheBytesAreSplit) {
    const std::string due = lsp::frame("{\"a\":1}") + lsp::frame("{\"b\":\"\xC3\xA8\"}");
    // One read with both messages, then every split point, then byte by byte.
    for (size_t taglio = 0; taglio <= due.size(); ++taglio) {
        lsp::message_reader r;
        r.feed(due.substr(0, taglio));
        auto a = tutti(r);
        r.feed(due.substr(taglio));
        auto b = tutti(r);
        a.insert(a.end(), b.begin(), b.end());
        ASSERT_EQ(a.size(), 2u) << "split at " << taglio;
        EXPECT_EQ(a[0].body, "{\"a\":1}");
        EXPECT_EQ(a[1].body, "{\"b\":\"\xC3\xA8\"}");
        EXPECT_EQ(r.pending(), 0u);
    }
    lsp::message_reader r;
    std::vector<lsp::framed_message> a;
    for (char c : due) {
        r.feed(std::string(1, c));
        for (auto& m : tutti(r)) a.push_back(m);
    }
    EXPECT_EQ(a.size(), 2u);
}

TEST(LspFraming, BadHeadersAreReportedAndReadingGoesOn) {
    struct caso {
        const char* nome;
        std::string byte;
        std::vector<std::string> attesi;  // bodies; "!" for a fault
    };
    const std::string buono = lsp::frame("{}");
    const std::vector<caso> casi = {
        {"header names ignore case, other headers pass",
         "content-length: 2\r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n{}",
         {"{}"}},
        {"no length", "Content-Type: x\r\n\r\n" + buono, {"!", "{}"}},
        {"length not a number", "Content-Length: 12a\r\n\r\n" + buono, {"!", "{}"}},
        {"negative length", "Content-Length: -2\r\n\r\n" + buono, {"!", "{}"}},
        {"line without colon", "Content-Length 2\r\n\r\n" + buono, {"!", "{}"}},
        {"empty body", "Content-Length: 0\r\n\r\n" + buono, {"", "{}"}},
    };
    for (const caso& c : casi) {
        lsp::message_reader r;
        r.feed(c.byte);
        std::vector<std::string> visti;
        for (auto& m : tutti(r)) visti.push_back(m.ok ? m.body : "!");
        EXPECT_EQ(visti, c.attesi) << c.nome;
    }
}

TEST(LspFraming, OversizedBodiesAndEndlessHeadersAreDroppedNotHeld) {
    lsp::message_reader r;
    const size_t grande = lsp::message_reader::max_body + 10;
    r.feed("Content-Length: " + std::to_string(grande) + "\r\n\r\n");
    auto f = tutti(r);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_FALSE(f[0].ok);
    // The body's bytes arrive and are skipped, then the next message is read.
    const std::string pezzo(1 << 20, 'x');
    for (size_t dato = 0; dato < grande;) {
        const size_t n = std::min(pezzo.size(), grande - dato);
        r.feed(std::string_view(pezzo).substr(0, n));
        dato += n;
        EXPECT_LT(r.pending(), 64u);
    }
    r.feed(lsp::frame("{}"));
    f = tutti(r);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].body, "{}");

    lsp::message_reader h;
    h.feed(std::string(lsp::message_reader::max_header + 1, 'h'));
    f = tutti(h);
    ASSERT_EQ(f.size(), 1u);
    EXPECT_FALSE(f[0].ok);
    EXPECT_EQ(h.pending(), 0u);
}

// ---- Positions and URIs ---------------------------------------------------------

TEST(LspPositions, ColumnsAreUtf16UnitsOfTheEditorText) {
    // "a", "è" (2 bytes, 1 unit), "€" (3 bytes, 1 unit), "𝄞" (4 bytes, 2 units), "b"
    const std::string riga =
        "a\xC3\xA8\xE2\x82\xAC\xF0\x9D\x84\x9E"
        "b";
    EXPECT_EQ(lsp::utf16_column(riga, 0), 0u);
    EXPECT_EQ(lsp::utf16_column(riga, 3), 3u);
    EXPECT_EQ(lsp::utf16_column(riga, 4), 5u);
    EXPECT_EQ(lsp::utf16_column(riga, 99), 6u);
    EXPECT_EQ(lsp::byte_of_utf16_column(riga, 5), 10u);
    EXPECT_EQ(lsp::chars_before(riga, 10), 4u);
    const lsp::line_index righe("uno\r\ndue\rtre\nquattro");
    ASSERT_EQ(righe.line_count(), 4u);
    EXPECT_EQ(righe.line(1), "due");
    EXPECT_EQ(righe.line(3), "quattro");
    EXPECT_EQ(righe.line(4), "");
}

TEST(LspPositions, FileUrisRoundTripThroughPaths) {
    EXPECT_EQ(lsp::uri_of_path("/tmp/Lavena_Torre Alta_A 1-.txt"),
              "file:///tmp/Lavena_Torre%20Alta_A%201-.txt");
    EXPECT_EQ(lsp::path_of_uri("file:///tmp/Lavena_Torre%20Alta_A%201-.txt"),
              "/tmp/Lavena_Torre Alta_A 1-.txt");
    EXPECT_EQ(lsp::path_of_uri("file://localhost/a%c3%a8"), "/a\xC3\xA8");
    EXPECT_EQ(lsp::path_of_uri("untitled:Untitled-1"), std::nullopt);
    EXPECT_EQ(lsp::path_of_uri("file://server/share/x"), std::nullopt);
    EXPECT_EQ(lsp::path_of_uri("file:///a%00b"), std::nullopt);
#ifdef _WIN32
    // Drive letters: the editor's form ("%3A" for the colon) and the plain one.
    EXPECT_EQ(lsp::uri_of_path("C:\\Scenari\\Citt\xC3\xA0_linea.txt"),
              "file:///C:/Scenari/Citt%C3%A0_linea.txt");
    EXPECT_EQ(lsp::path_of_uri("file:///c%3A/Scenari/Citt%C3%A0_linea.txt"),
              "c:/Scenari/Citt\xC3\xA0_linea.txt");
    EXPECT_EQ(lsp::path_of_uri(lsp::uri_of_path("D:/a b.txt")), "D:/a b.txt");
#endif
}

// ---- The server in process ------------------------------------------------------

class LspServer : public ::testing::Test {
  protected:
    LspServer() : server([this](const std::string& m) { uscita.append(m); }) {}

    void SetUp() override {
        ASSERT_EQ(test::esegui_binario({"example", cartella.percorso()}).stato, 0);
        linea = cartella.file(nome_linea);
        treno = cartella.file(nome_treno);
        testo_linea = test::leggi(linea);
        testo_treno = test::leggi(treno);
    }

    // Feeds the messages and returns what the server sent back.
    std::vector<json> invia(const std::vector<json>& messaggi) {
        std::string byte;
        for (const json& m : messaggi) byte += messaggio(m);
        server.receive(byte);
        lsp::message_reader r;
        r.feed(uscita);
        uscita.clear();
        std::vector<json> out;
        while (auto m = r.next()) out.push_back(json::parse(m->body));
        return out;
    }

    json richiesta(int id, const std::string& metodo, json params = json::object()) {
        return {{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}, {"params", params}};
    }
    json notifica(const std::string& metodo, json params = json::object()) {
        return {{"jsonrpc", "2.0"}, {"method", metodo}, {"params", params}};
    }
    json apri(const std::string& percorso, const std::string& testo) {
        return notifica("textDocument/didOpen", {{"textDocument",
                                                  {{"uri", lsp::uri_of_path(percorso)},
                                                   {"languageId", "binario"},
                                                   {"version", 1},
                                                   {"text", testo}}}});
    }
    json cambia(const std::string& percorso, const std::string& testo, int versione) {
        return notifica(
            "textDocument/didChange",
            {{"textDocument", {{"uri", lsp::uri_of_path(percorso)}, {"version", versione}}},
             {"contentChanges", json::array({{{"text", testo}}})}});
    }
    void inizializza() {
        auto r = invia({richiesta(1, "initialize", {{"capabilities", json::object()}}),
                        notifica("initialized")});
        ASSERT_EQ(r.size(), 1u);
        ASSERT_TRUE(r[0].contains("result"));
    }
    // The diagnostics published for a file, from the messages.
    static std::optional<json> diagnostiche(const std::vector<json>& messaggi,
                                            const std::string& percorso) {
        std::optional<json> ultime;
        for (const json& m : messaggi)
            if (m.value("method", "") == "textDocument/publishDiagnostics" &&
                m["params"]["uri"] == lsp::uri_of_path(percorso))
                ultime = m["params"]["diagnostics"];
        return ultime;
    }

    test::cartella_temporanea cartella;
    std::string linea, treno, testo_linea, testo_treno;
    std::string uscita;
    lsp::language_server server;
};

TEST_F(LspServer, ProtocolFaultsGetErrorAnswersAndTheServerGoesOn) {
    struct caso {
        const char* nome;
        std::string byte;
        json id;
        int codice;
    };
    const std::vector<caso> casi = {
        {"bad JSON", lsp::frame("{\"jsonrpc\":\"2.0\",\"id\":1,"), nullptr, -32700},
        {"a JSON array", lsp::frame("[1,2]"), nullptr, -32600},
        {"no method", messaggio({{"jsonrpc", "2.0"}, {"id", 4}}), 4, -32600},
        {"request before initialize", messaggio(richiesta(5, "textDocument/hover")), 5, -32002},
        {"bad header", "Content-Type: x\r\n\r\n", nullptr, -32700},
    };
    for (const caso& c : casi) {
        server.receive(c.byte);
        lsp::message_reader r;
        r.feed(uscita);
        uscita.clear();
        auto m = r.next();
        ASSERT_TRUE(m && m->ok) << c.nome;
        const json j = json::parse(m->body);
        EXPECT_EQ(j["id"], c.id) << c.nome;
        EXPECT_EQ(j["error"]["code"], c.codice) << c.nome;
        EXPECT_FALSE(r.next()) << c.nome;
    }
    inizializza();
    auto r = invia({richiesta(6, "no/such/method"), notifica("no/such/notification"),
                    richiesta(7, "textDocument/hover", {{"textDocument", 3}}),
                    richiesta(8, "initialize")});
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0]["error"]["code"], -32601);
    EXPECT_EQ(r[1]["error"]["code"], -32602);
    EXPECT_EQ(r[2]["error"]["code"], -32600);
}

TEST_F(LspServer, ExitCodeTellsWhetherShutdownCameFirst) {
    inizializza();
    invia({notifica("exit")});
    EXPECT_TRUE(server.exited());
    EXPECT_EQ(server.exit_code(), 1);

    lsp::language_server ordinato([](const std::string&) {});
    ordinato.receive(messaggio(richiesta(1, "initialize")) + messaggio(richiesta(2, "shutdown")));
    EXPECT_FALSE(ordinato.exited());
    ordinato.receive(messaggio(notifica("exit")));
    EXPECT_TRUE(ordinato.exited());
    EXPECT_EQ(ordinato.exit_code(), 0);
}

TEST_F(LspServer, RequestsAfterShutdownAreRefused) {
    inizializza();
    auto r = invia({richiesta(2, "shutdown"), richiesta(3, "textDocument/documentSymbol")});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(r[0]["result"].is_null());
    EXPECT_EQ(r[1]["error"]["code"], -32600);
}

std::string sostituisci(std::string testo, const std::string& da, const std::string& a) {
    const size_t p = testo.find(da);
    EXPECT_NE(p, std::string::npos) << da;
    if (p != std::string::npos) testo.replace(p, da.size(), a);
    return testo;
}

int riga_di(const std::string& testo, const std::string& pezzo) {
    const size_t p = testo.find(pezzo);
    int riga = 0;
    for (size_t i = 0; i < p && i < testo.size(); ++i) riga += testo[i] == '\n';
    return riga;
}

TEST_F(LspServer, DiagnosticsAreThoseOfCheckForTheUnsavedTexts) {
    inizializza();
    auto r = invia({apri(linea, testo_linea)});
    ASSERT_TRUE(diagnostiche(r, linea));
    EXPECT_EQ(*diagnostiche(r, linea), json::array());
    EXPECT_EQ(*diagnostiche(r, treno), json::array());

    // A keyword typo in the line file and a signal on a taken cell in the train
    // file, only in the editor's buffers.
    const std::string linea_errata = sostituisci(testo_linea, "pendenza,  450", "pendensa,  450");
    const std::string treno_errato =
        sostituisci(testo_treno, "segnale,   12100",
                    "segnale,   12110,   1, 5, 1,  0, 0,    0,  0,0,0, 0\r\nsegnale,   12100");
    r = invia({cambia(linea, linea_errata, 2), apri(treno, treno_errato)});
    const auto dl = diagnostiche(r, linea), dt = diagnostiche(r, treno);
    ASSERT_TRUE(dl && dt);

    // The same texts on disk, through binario check.
    test::cartella_temporanea altra;
    test::scrivi(altra.file(nome_linea), linea_errata);
    test::scrivi(altra.file(nome_treno), treno_errato);
    const auto c =
        test::esegui_binario({"check", "--json", altra.file(nome_linea), altra.file(nome_treno)});
    const json attese = json::parse(c.out)["diagnostics"];
    ASSERT_GE(attese.size(), 2u);
    size_t viste = 0;
    for (const json& d : attese) {
        const bool di_linea = d["file"] == altra.file(nome_linea);
        const json& lista = di_linea ? *dl : *dt;
        // A message that names the other record names it by path: check ran on the
        // copies in `altra`, the server on the files of `cartella`.
        std::string messaggio = d["message"].get<std::string>();
        for (const std::string& nome : {nome_linea, nome_treno})
            for (size_t p = messaggio.find(altra.file(nome)); p != std::string::npos;
                 p = messaggio.find(altra.file(nome), p + 1))
                messaggio.replace(p, altra.file(nome).size(), cartella.file(nome));
        bool trovata = false;
        for (const json& e : lista) {
            if (e["message"] != messaggio) continue;
            trovata = true;
            EXPECT_EQ(e["range"]["start"]["line"], d["line"].get<int>() - 1);
            EXPECT_EQ(e["severity"], d["severity"] == "error"     ? 1
                                     : d["severity"] == "warning" ? 2
                                                                  : 3);
            EXPECT_EQ(e["code"], d["severity"] == "error" ? d["numero"] : d["name"]);
            EXPECT_EQ(e["source"], "binario");
        }
        EXPECT_TRUE(trovata) << d.dump();
        ++viste;
    }
    EXPECT_EQ(dl->size() + dt->size(), viste);
    // The signal on a taken cell points at the one read before it, which took it.
    bool legata = false;
    for (const json& e : *dt) {
        if (e.value("code", 0) != 16) continue;
        ASSERT_TRUE(e.contains("relatedInformation")) << e.dump();
        const json& l = e["relatedInformation"][0]["location"];
        EXPECT_EQ(l["uri"], lsp::uri_of_path(treno));
        EXPECT_EQ(l["range"]["start"]["line"], riga_di(treno_errato, "segnale,   12110"));
        EXPECT_EQ(e["range"]["start"]["line"], riga_di(treno_errato, "segnale,   12100"));
        legata = true;
    }
    EXPECT_TRUE(legata);
    EXPECT_EQ((*dl)[0]["range"]["start"]["line"], riga_di(linea_errata, "pendensa"));

    // Fixed in the buffers: the diagnostics clear; closing both clears them too.
    r = invia({cambia(linea, testo_linea, 3), cambia(treno, testo_treno, 2)});
    EXPECT_EQ(*diagnostiche(r, linea), json::array());
    EXPECT_EQ(*diagnostiche(r, treno), json::array());
    r = invia({cambia(treno, treno_errato, 3)});
    EXPECT_FALSE(diagnostiche(r, treno)->empty());
    r = invia({notifica("textDocument/didClose",
                        {{"textDocument", {{"uri", lsp::uri_of_path(treno)}}}})});
    // The line stays open: compiled again with the train file on disk, which is clean.
    EXPECT_EQ(*diagnostiche(r, treno), json::array());
}

TEST_F(LspServer, ALineFileAloneIsCheckedOnItsOwn) {
    std::filesystem::remove(treno);
    inizializza();
    auto r = invia({apri(linea, sostituisci(testo_linea, "pendenza,  450", "pendensa,  450"))});
    ASSERT_TRUE(diagnostiche(r, linea));
    ASSERT_EQ(diagnostiche(r, linea)->size(), 1u);
    EXPECT_EQ((*diagnostiche(r, linea))[0]["severity"], 2);
    EXPECT_FALSE(diagnostiche(r, treno));
}

TEST_F(LspServer, NonAsciiTextKeepsItsColumnsAndBytes) {
    inizializza();
    // A station name with a Windows-1252 letter, a comment line with characters
    // the code page has not, and then a typo on the line after it. The file on disk
    // is plain ASCII, so the buffer is read as the UTF-8 an editor saves.
    std::string t = sostituisci(testo_treno, "DOGANA", "D\xC3\x92GANA");
    t = sostituisci(t, "[segnali]", "[segnali]\r\n\xF0\x9D\x84\x9E\xE2\x86\x92 sagnale, 1, 2");
    auto r = invia({apri(treno, t)});
    ASSERT_TRUE(diagnostiche(r, treno));
    const json d = *diagnostiche(r, treno);
    ASSERT_EQ(d.size(), 3u) << d.dump();
    const int riga = riga_di(t, "sagnale");
    // The note on the first character beyond ASCII, "\xC3\x92".
    EXPECT_EQ(d[0]["severity"], 3);
    EXPECT_EQ(d[0]["code"], "utf8-source");
    EXPECT_EQ(d[0]["range"]["start"]["line"], riga_di(t, "D\xC3\x92GANA"));
    const size_t lettera = t.find("D\xC3\x92GANA") + 1;
    EXPECT_EQ(d[0]["range"]["start"]["character"], lettera - (t.rfind('\n', lettera) + 1));
    // "\xF0\x9D\x84\x9E" has no Windows-1252 byte: the error marks it, two UTF-16 units.
    EXPECT_EQ(d[1]["code"], 104);
    EXPECT_EQ(d[1]["range"]["start"]["line"], riga);
    EXPECT_EQ(d[1]["range"]["start"]["character"], 0);
    EXPECT_EQ(d[1]["range"]["end"]["character"], 2);
    // "𝄞" is two UTF-16 units, "→" one, then " sagnale, 1, 2".
    EXPECT_EQ(d[2]["range"]["start"]["line"], riga);
    EXPECT_EQ(d[2]["range"]["end"]["character"], 2 + 1 + 14);

    const int stazione = riga_di(t, "D\xC3\x92GANA");
    r = invia({richiesta(9, "textDocument/hover",
                         {{"textDocument", {{"uri", lsp::uri_of_path(treno)}}},
                          {"position", {{"line", stazione}, {"character", 12}}}})});
    ASSERT_EQ(r.size(), 1u);
    const std::string testo = r[0]["result"]["contents"]["value"];
    EXPECT_NE(testo.find("Station \"D\xC3\x92GANA\" at 14000 m"), std::string::npos) << testo;
    EXPECT_NE(testo.find("table row"), std::string::npos) << testo;
}

// The diagnostics of a buffer are those binario check gives for it saved: the file on
// disk tells whether the editor saves it as UTF-8 or in Windows-1252.
TEST_F(LspServer, TheEncodingOfTheSavedFileDecidesAsCheckDoes) {
    const std::string utf8 =
        sostituisci(sostituisci(testo_treno, "DOGANA", "D\xC3\x92GANA"), "[segnali]",
                    "[segnali]\r\n-- x \xE2\x86\x92 y \xF0\x9D\x84\x9E\r\nsagnale, 1, 2");
    struct caso {
        const char* nome;
        std::string su_disco;  // the file's bytes; the buffer is always `utf8`
        size_t diagnostiche;
    };
    const caso casi[] = {
        // UTF-8 on disk: the note, the two characters without a byte, the typo.
        {"utf-8", utf8, 3},
        // Windows-1252 on disk: no note, and the characters the editor could not save in
        // the code page stand as "?", as the reading of the file would give them.
        {"windows-1252", sostituisci(testo_treno, "DOGANA", "D\xD2GANA"), 1},
    };
    // What an editor saves of `utf8` in the code page: "?" for what it cannot hold.
    const auto come_windows_1252 = [](const std::string& t) {
        return sostituisci(
            sostituisci(sostituisci(t, "D\xC3\x92GANA", "D\xD2GANA"), "\xE2\x86\x92", "?"),
            "\xF0\x9D\x84\x9E", "?");
    };
    const lsp::line_index righe(utf8);
    inizializza();
    int versione = 1;
    for (const caso& c : casi) {
        SCOPED_TRACE(c.nome);
        test::scrivi(treno, c.su_disco);
        auto r = invia({versione == 1 ? apri(treno, utf8) : cambia(treno, utf8, versione)});
        ++versione;
        ASSERT_TRUE(diagnostiche(r, treno));
        const json dt = *diagnostiche(r, treno);
        EXPECT_EQ(dt.size(), c.diagnostiche) << dt.dump();

        // The buffer saved as the editor saves it, through binario check.
        test::cartella_temporanea altra;
        test::scrivi(altra.file(nome_linea), testo_linea);
        test::scrivi(altra.file(nome_treno), c.su_disco == utf8 ? utf8 : come_windows_1252(utf8));
        const auto k = test::esegui_binario(
            {"check", "--json", altra.file(nome_linea), altra.file(nome_treno)});
        const json report = json::parse(k.out);
        json attese = json::array();
        for (const json& x : report["diagnostics"])
            if (x["file"] == altra.file(nome_treno)) attese.push_back(x);
        ASSERT_EQ(attese.size(), dt.size()) << k.err << dt.dump();
        for (size_t i = 0; i < dt.size(); ++i) {
            const json& e = dt[i];
            const json& a = attese[i];
            EXPECT_EQ(e["message"], a["message"]);
            EXPECT_EQ(e["code"], a["severity"] == "error" ? a["numero"] : a["name"]);
            EXPECT_EQ(e["range"]["start"]["line"], a["line"].get<int>() - 1);
            if (!a["column"].is_null()) {
                // Columns count characters; the editor counts UTF-16 units.
                const std::string riga_testo(righe.line(a["line"].get<size_t>() - 1));
                EXPECT_EQ(e["range"]["start"]["character"],
                          lsp::utf16_column(riga_testo, a["column"].get<size_t>() - 1));
            }
        }
    }
}

TEST_F(LspServer, HoverOutlineAndCompletionDescribeTheRecords) {
    inizializza();
    invia({apri(linea, testo_linea), apri(treno, testo_treno)});
    auto hover = [&](const std::string& percorso, int riga, int colonna) {
        auto r = invia({richiesta(20, "textDocument/hover",
                                  {{"textDocument", {{"uri", lsp::uri_of_path(percorso)}}},
                                   {"position", {{"line", riga}, {"character", colonna}}}})});
        EXPECT_EQ(r.size(), 1u);
        return r.empty() || r[0]["result"].is_null()
                   ? std::string()
                   : r[0]["result"]["contents"]["value"].get<std::string>();
    };
    struct caso {
        std::string file, pezzo;
        int colonna;
        std::vector<std::string> attesi;
    };
    const std::vector<caso> casi = {
        {treno, "segnale,   12100", 1, {"`posizione`", "`tempo`", "error 16"}},
        {treno,
         "segnale,   12100",
         12,
         {"field `posizione` = 12100", "cell 243", "cell 243 (12150 m): signal; dato1 50, dato2 10",
          "speed 75 km/h, gradient +12, adhesion 98 %"}},
        {treno, "rallentamento,   25500", 20, {"start board in cell 511", "slowdown start"}},
        {linea, "pendenza,  450", 12, {"Gradient -2 per mille from 450 m", "gradient -2"}},
        {linea, "cartello_indicatore,  3400", 25, {"table row 80", "COLONNELLA"}},
        {linea, "lunghezza percorso", 22, {"34100 m long", "cells 0 to 822"}},
        {linea, "[fine]", 1, {}},
    };
    for (const caso& c : casi) {
        const std::string testo = c.file == linea ? testo_linea : testo_treno;
        const std::string h = hover(c.file, riga_di(testo, c.pezzo), c.colonna);
        if (c.attesi.empty()) {
            EXPECT_EQ(h, "") << c.pezzo;
        }
        for (const std::string& a : c.attesi)
            EXPECT_NE(h.find(a), std::string::npos) << c.pezzo << "\n" << h;
    }

    auto r = invia({richiesta(21, "textDocument/documentSymbol",
                              {{"textDocument", {{"uri", lsp::uri_of_path(treno)}}}})});
    ASSERT_EQ(r.size(), 1u);
    std::vector<std::string> sezioni;
    std::string nomi;
    for (const json& s : r[0]["result"]) {
        sezioni.push_back(s["name"]);
        for (const json& f : s["children"]) nomi += f["name"].get<std::string>() + "|";
    }
    EXPECT_EQ(sezioni,
              (std::vector<std::string>{"[generale]", "[aderenze]", "[vel_limite]", "[stazioni]",
                                        "[rallentamenti]", "[segnali]", "[codici]", "[fine]"}));
    EXPECT_NE(nomi.find("station 14000 DOGANA|"), std::string::npos) << nomi;
    EXPECT_NE(nomi.find("signal 12100|"), std::string::npos) << nomi;
    EXPECT_NE(nomi.find("slowdown 25500|"), std::string::npos) << nomi;

    auto etichette = [&](const std::string& percorso, int riga) {
        auto c = invia({richiesta(22, "textDocument/completion",
                                  {{"textDocument", {{"uri", lsp::uri_of_path(percorso)}}},
                                   {"position", {{"line", riga}, {"character", 0}}}})});
        std::string out;
        for (const json& i : c[0]["result"]) out += i["label"].get<std::string>() + "|";
        return out;
    };
    const std::string generale = etichette(linea, 2), profili = etichette(linea, 20),
                      treni = etichette(treno, 20);
    EXPECT_NE(generale.find("lunghezza percorso|"), std::string::npos) << generale;
    EXPECT_EQ(generale.find("pendenza|"), std::string::npos) << generale;
    EXPECT_NE(profili.find("pendenza|"), std::string::npos) << profili;
    EXPECT_EQ(profili.find("sfondo uno|"), std::string::npos) << profili;
    EXPECT_NE(treni.find("segnale|"), std::string::npos) << treni;
    EXPECT_EQ(treni.find("pendenza|"), std::string::npos) << treni;
}

// ---- The process ----------------------------------------------------------------

TEST(LspProcess, EndsOnExitOrWhenTheInputEndsAndWritesNothing) {
    test::cartella_temporanea cartella;
    ASSERT_EQ(test::esegui_binario({"example", cartella.percorso()}).stato, 0);
    const auto prima = test::elenco(cartella.percorso());
    const std::string linea = cartella.file(nome_linea);
    const json apri = {
        {"jsonrpc", "2.0"},
        {"method", "textDocument/didOpen"},
        {"params",
         {{"textDocument",
           {{"uri", lsp::uri_of_path(linea)}, {"version", 1}, {"text", "[generale]\n"}}}}}};
    const std::string init = messaggio(
        {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
    struct caso {
        const char* nome;
        std::string ingresso;
        int stato;
    };
    const std::vector<caso> casi = {
        {"exit without shutdown",
         init + messaggio(apri) + messaggio({{"jsonrpc", "2.0"}, {"method", "exit"}}), 1},
        {"input ends", init + messaggio(apri), 1},
        {"shutdown then exit",
         init + messaggio({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}) +
             messaggio({{"jsonrpc", "2.0"}, {"method", "exit"}}),
         0},
    };
    for (const caso& c : casi) {
        test::cartella_temporanea io;
        test::scrivi(io.file("in"), c.ingresso);
        const auto r = test::esegui_binario({"lsp"}, "", io.file("in"));
        EXPECT_EQ(r.stato, c.stato) << c.nome << "\n" << r.err;
        EXPECT_NE(r.out.find("\"capabilities\""), std::string::npos) << c.nome;
        EXPECT_EQ(test::elenco(cartella.percorso()), prima) << c.nome;
    }
}

}  // namespace
}  // namespace binario
