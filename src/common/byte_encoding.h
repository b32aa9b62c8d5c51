// Fixed-width little-endian encoding of the compiled files: append helpers that
// grow a byte string field by field, and a reader that checks every length
// before it reads, so that hostile bytes can never make it read past the end.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace binario {

inline void aggiungi_u8(std::string& out, uint8_t v) {
    out.push_back(static_cast<char>(v));
}

inline void aggiungi_u16(std::string& out, uint16_t v) {
    const char b[2] = {static_cast<char>(v & 0xFFu), static_cast<char>(v >> 8)};
    out.append(b, sizeof b);
}

inline void aggiungi_i16(std::string& out, int16_t v) {
    aggiungi_u16(out, static_cast<uint16_t>(v));
}

inline void aggiungi_u32(std::string& out, uint32_t v) {
    const char b[4] = {static_cast<char>(v & 0xFFu), static_cast<char>((v >> 8) & 0xFFu),
                       static_cast<char>((v >> 16) & 0xFFu), static_cast<char>(v >> 24)};
    out.append(b, sizeof b);
}

inline void aggiungi_i32(std::string& out, int32_t v) {
    aggiungi_u32(out, static_cast<uint32_t>(v));
}

inline void aggiungi_u64(std::string& out, uint64_t v) {
    char b[8];
    for (int i = 0; i < 8; ++i) b[i] = static_cast<char>((v >> (8 * i)) & 0xFFu);
    out.append(b, sizeof b);
}

// A binary64 as its eight bytes, lowest first.
inline void aggiungi_f64(std::string& out, double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    aggiungi_u64(out, bits);
}

// The same fields stored at p, in a buffer the caller has sized; each returns the
// position just after the field. On a little-endian machine a field's memory is
// already its file form and is copied whole: the compiler does not always merge
// byte stores, and the plan writer stores two million of them.
inline char* metti_u8(char* p, uint8_t v) {
    *p = static_cast<char>(v);
    return p + 1;
}

inline char* metti_u16(char* p, uint16_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        p[0] = static_cast<char>(v & 0xFFu);
        p[1] = static_cast<char>(v >> 8);
    }
    return p + 2;
}

inline char* metti_i16(char* p, int16_t v) {
    return metti_u16(p, static_cast<uint16_t>(v));
}

inline char* metti_u32(char* p, uint32_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFFu);
    }
    return p + 4;
}

inline char* metti_i32(char* p, int32_t v) {
    return metti_u32(p, static_cast<uint32_t>(v));
}

inline char* metti_u64(char* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::little)
        std::memcpy(p, &v, sizeof v);
    else
        for (int i = 0; i < 8; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFFu);
    return p + 8;
}

inline char* metti_f64(char* p, double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    return metti_u64(p, bits);
}

// Reads fixed-width fields from a byte view, lowest byte first. Every read
// checks that the whole field is there; a failed read returns false and moves
// nothing, so `posizione()` is then the offset of the field that is cut short.
class lettore_byte {
  public:
    explicit lettore_byte(std::string_view dati) : dati_(dati) {}

    size_t posizione() const { return pos_; }
    size_t rimasti() const { return dati_.size() - pos_; }
    bool finito() const { return pos_ == dati_.size(); }

    bool u8(uint8_t& v) {
        if (rimasti() < 1) return false;
        v = byte(0);
        pos_ += 1;
        return true;
    }
    bool u16(uint16_t& v) {
        if (rimasti() < 2) return false;
        v = static_cast<uint16_t>(byte(0) | (byte(1) << 8));
        pos_ += 2;
        return true;
    }
    bool i16(int16_t& v) {
        uint16_t u = 0;
        if (!u16(u)) return false;
        v = static_cast<int16_t>(u);
        return true;
    }
    bool u32(uint32_t& v) {
        if (rimasti() < 4) return false;
        v = static_cast<uint32_t>(byte(0)) | (static_cast<uint32_t>(byte(1)) << 8) |
            (static_cast<uint32_t>(byte(2)) << 16) | (static_cast<uint32_t>(byte(3)) << 24);
        pos_ += 4;
        return true;
    }
    bool i32(int32_t& v) {
        uint32_t u = 0;
        if (!u32(u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    bool u64(uint64_t& v) {
        if (rimasti() < 8) return false;
        uint64_t r = 0;
        for (size_t i = 0; i < 8; ++i) r |= static_cast<uint64_t>(byte(i)) << (8 * i);
        v = r;
        pos_ += 8;
        return true;
    }
    bool f64(double& v) {
        uint64_t bits = 0;
        if (!u64(bits)) return false;
        std::memcpy(&v, &bits, sizeof v);
        return true;
    }
    // The next n bytes as they stand.
    bool blocco(size_t n, std::string& v) {
        if (rimasti() < n) return false;
        v.assign(dati_.substr(pos_, n));
        pos_ += n;
        return true;
    }
    bool salta(size_t n) {
        if (rimasti() < n) return false;
        pos_ += n;
        return true;
    }

  private:
    uint32_t byte(size_t i) const { return static_cast<unsigned char>(dati_[pos_ + i]); }

    std::string_view dati_;
    size_t pos_ = 0;
};

}  // namespace binario
