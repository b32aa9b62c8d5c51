// The item reader of the line and train description files.
//
// The files are not read by lines but by items. Items are separated by commas and
// line ends (CR LF, LF or a lone CR); a blank line is one empty item.
//  - A text item starts at the first non-blank character and runs to the next comma
//    or line end; trailing blanks are dropped. One that begins with a double quote
//    runs to the closing quote, and whatever follows up to the separator is dropped.
//  - A number item is a signed whole number. Blanks before it are skipped; it ends at
//    a blank, a comma or a line end; the blanks after it and then one comma or one
//    line end are consumed. So "0    ,0" gives 0 and 0, and "7   14" gives 7 and 14.
//    An empty item (nothing but blanks before the separator) reads as 0.
// Blanks are spaces and tabs. The reader works on the whole file in memory, never
// reads past its end, and knows the line and column of every item it returns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace binario {

class lettore_voci {
  public:
    explicit lettore_voci(std::string_view testo) : testo_(testo) {}

    // Nothing is left to read after the item just read.
    bool fine() const { return pos_ >= testo_.size(); }

    // Reads a text item into `voce`; false when nothing was left to read.
    bool leggi_testo(std::string& voce);

    enum class esito { numero, fine_file, non_numero, fuori_misura };
    // Reads a number item. On non_numero `testo_letto` holds the offending text.
    esito leggi_numero(int64_t& valore, std::string& testo_letto);

    // Line (from 1) and column (from 1) where the item just read begins.
    int32_t riga() const { return riga_voce_; }
    int32_t colonna() const { return colonna_voce_; }
    // The item just read ended at a comma: more items follow on its line.
    bool seguita_da_virgola() const { return virgola_; }
    // Offset of the start of the line where the item just read begins.
    size_t inizio_riga_voce() const { return inizio_riga_voce_; }

    // Goes on from the start of the line after the one that starts at offset
    // `inizio` and is line `riga`: how the loader skips a record it cannot use.
    void riprendi_dopo_riga(size_t inizio, int32_t riga);

  private:
    bool a_capo(size_t p) const {
        return p < testo_.size() && (testo_[p] == '\r' || testo_[p] == '\n');
    }
    bool bianco(size_t p) const {
        return p < testo_.size() && (testo_[p] == ' ' || testo_[p] == '\t');
    }
    void salta_bianchi();
    void consuma_a_capo();  // one line end at pos_
    void segna_inizio();

    std::string_view testo_;
    size_t pos_ = 0;
    int32_t riga_ = 1;        // line of pos_
    size_t inizio_riga_ = 0;  // offset where that line begins
    int32_t riga_voce_ = 0;
    int32_t colonna_voce_ = 0;
    size_t inizio_riga_voce_ = 0;
    bool virgola_ = false;
};

// Keyword tests: whether an item contains a word, as a substring.
// Case-insensitive means A-Z equal a-z, nothing else.
bool contiene(std::string_view voce, std::string_view parola);         // case-insensitive
bool contiene_esatto(std::string_view voce, std::string_view parola);  // case-sensitive
// A section header of the general section: holds "[" and "]" and, once its leading
// blanks are removed, does not begin with "-".
bool intestazione_sezione(std::string_view voce);

}  // namespace binario
