#include "common/text_file_writer.h"

#include <gtest/gtest.h>

#include <string_view>

#include "common/file_replace.h"
#include "test_support.h"

namespace binario {
namespace {

TEST(TextFileWriter, WritesEachLineWithCrLfAndStopsAtTheMarker) {
    const std::string_view righe[] = {"prima", "", "terza \xE8", fine_del_file, "mai scritta"};
    EXPECT_EQ(componi_righe(righe), "prima\r\n\r\nterza \xE8\r\n");
}

TEST(TextFileWriter, ReplacesAnExistingLongerFileCompletely) {
    test::cartella_temporanea dir;
    std::string percorso = dir.file("doc.txt");
    test::scrivi(percorso, std::string(10000, 'x'));
    const std::string_view righe[] = {"corta", fine_del_file};
    scrivi_file_testo(percorso, righe);
    EXPECT_EQ(test::leggi(percorso), "corta\r\n");
    EXPECT_EQ(test::elenco(dir.percorso()), std::vector<std::string>{"doc.txt"});
}

}  // namespace
}  // namespace binario
