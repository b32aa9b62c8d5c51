#include "formats/item_reader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace binario {
namespace {

// A script of reads: 'T' a text item, 'N' a number item. The result lists what each
// read gave ("T:text", "N:42", "N:bad(x)", "N:big", "N:eof", "T:eof") and, last,
// whether the end of the file was reached ("EOF" or "more").
std::vector<std::string> leggi(const std::string& testo, const std::string& letture) {
    lettore_voci r(testo);
    std::vector<std::string> out;
    for (char c : letture) {
        if (c == 'T') {
            std::string v;
            out.push_back(r.leggi_testo(v) ? "T:" + v : "T:eof");
        } else {
            int64_t v = 0;
            std::string t;
            switch (r.leggi_numero(v, t)) {
                case lettore_voci::esito::numero:
                    out.push_back("N:" + std::to_string(v));
                    break;
                case lettore_voci::esito::non_numero:
                    out.push_back("N:bad(" + t + ")");
                    break;
                case lettore_voci::esito::fuori_misura:
                    out.push_back("N:big");
                    break;
                case lettore_voci::esito::fine_file:
                    out.push_back("N:eof");
                    break;
            }
        }
    }
    out.push_back(r.fine() ? "EOF" : "more");
    return out;
}

struct caso {
    const char* nome;
    std::string testo;
    std::string letture;
    std::vector<std::string> atteso;
};

// Test names print the case name, not the bytes of the case.
void PrintTo(const caso& c, std::ostream* os) {
    *os << c.nome;
}

class ItemReader : public testing::TestWithParam<caso> {};

TEST_P(ItemReader, GivesTheItems) {
    EXPECT_EQ(leggi(GetParam().testo, GetParam().letture), GetParam().atteso);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ItemReader,
    testing::Values(
        caso{"KeywordAndNumbers",
             "pendenza,  450,   -2\r\n[fine]\r\n",
             "TNNT",
             {"T:pendenza", "N:450", "N:-2", "T:[fine]", "EOF"}},
        caso{"BlanksBeforeTheComma",
             "ripetizione 4,    0    ,0\r\nx\r\n",
             "TNNT",
             {"T:ripetizione 4", "N:0", "N:0", "T:x", "EOF"}},
        caso{"EmptyItemsReadAsZero",
             "i,  ,  ,  ,  0\r\n",
             "TNNNN",
             {"T:i", "N:0", "N:0", "N:0", "N:0", "EOF"}},
        caso{"EmptyItemAtTheLineEnd",
             "sfondo uno,\r\nx\r\n",
             "TNT",
             {"T:sfondo uno", "N:0", "T:x", "EOF"}},
        caso{"NumbersSeparatedByBlanksOnly",
             "orologio,    7               14            30 \r\n[fine]\r\n",
             "TNNNT",
             {"T:orologio", "N:7", "N:14", "N:30", "T:[fine]", "EOF"}},
        caso{"BlankLineIsOneEmptyItem", "a\r\n\r\nb\r\n", "TTT", {"T:a", "T:", "T:b", "EOF"}},
        caso{"LoneLfLineEnds", "a,1\nb\n", "TNT", {"T:a", "N:1", "T:b", "EOF"}},
        caso{"LoneCrLineEnds", "a,1\rb\r", "TNT", {"T:a", "N:1", "T:b", "EOF"}},
        caso{"NoFinalLineEnd", "a, 5", "TN", {"T:a", "N:5", "EOF"}},
        caso{"LastItemLeavesNothing", "[fine]\r\n", "T", {"T:[fine]", "EOF"}},
        caso{"ItemFollowedByMore", "[generale]\r\nx", "T", {"T:[generale]", "more"}},
        caso{"TextKeepsInnerBlanksDropsTrailing",
             "c, 3400,   (P.L.      )(COLONNELLA)   \r\n",
             "TNT",
             {"T:c", "N:3400", "T:(P.L.      )(COLONNELLA)", "EOF"}},
        caso{"QuotedTextRunsToTheQuote",
             "\"a, b\" junk, next\r\n",
             "TT",
             {"T:a, b", "T:next", "EOF"}},
        caso{"TextIsNotANumber", "x, 75km/h\r\n", "TN", {"T:x", "N:bad(75km/h)", "EOF"}},
        caso{"BlankEndsANumber", "x, 75 km/h\r\n", "TNT", {"T:x", "N:75", "T:km/h", "EOF"}},
        caso{"SignedNumbers", "+5,-0,-17\r\n", "NNN", {"N:5", "N:0", "N:-17", "EOF"}},
        caso{"LoneSignIsNotANumber", "-,1\r\n", "NN", {"N:bad(-)", "N:1", "EOF"}},
        caso{"HugeNumber", "99999999999999999999999\r\n", "N", {"N:big", "EOF"}},
        caso{"ReadingPastTheEnd", "a\r\n", "TTN", {"T:a", "T:eof", "N:eof", "EOF"}},
        caso{"EmptyFile", "", "T", {"T:eof", "EOF"}},
        caso{"NulBytesAreCharacters",
             std::string("a\0b,1\r\n", 7),
             "TN",
             {std::string("T:a\0b", 5), "N:1", "EOF"}}),
    [](const testing::TestParamInfo<caso>& i) { return std::string(i.param.nome); });

TEST(ItemReaderPosition, KnowsLineAndColumnOfEachItem) {
    lettore_voci r("[generale]\r\nlunghezza percorso,    34100\n  x\r\n");
    std::string t;
    int64_t v;
    r.leggi_testo(t);
    EXPECT_EQ(r.riga(), 1);
    r.leggi_testo(t);
    EXPECT_EQ(r.riga(), 2);
    EXPECT_EQ(r.colonna(), 1);
    r.leggi_numero(v, t);
    EXPECT_EQ(r.riga(), 2);
    EXPECT_EQ(r.colonna(), 24);
    r.leggi_testo(t);
    EXPECT_EQ(r.riga(), 3);
    EXPECT_EQ(r.colonna(), 3);
}

TEST(ItemReaderKeywords, SubstringTests) {
    EXPECT_TRUE(contiene("Lunghezza PERCORSO", "percorso"));
    EXPECT_TRUE(contiene("curvaS2", "s"));
    EXPECT_FALSE(contiene("[curve]", "curva"));
    EXPECT_FALSE(contiene("\xC8", "\xE8"));  // only A-Z fold
    EXPECT_TRUE(contiene_esatto("progressiva chilometrica tre", "tre"));
    EXPECT_FALSE(contiene_esatto("progressiva chilometrica TRE", "tre"));
    EXPECT_TRUE(intestazione_sezione("  [curve]"));
    EXPECT_FALSE(intestazione_sezione("  -[curve]"));
    EXPECT_FALSE(intestazione_sezione("[curve"));
}

}  // namespace
}  // namespace binario
