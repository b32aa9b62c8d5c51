// std::filesystem::path from the program's UTF-8 text and back.
//
// Every file name in the program is UTF-8 text. On Linux a path is bytes and
// both conversions are the identity. On Windows a path is UTF-16, and a path
// built from narrow text reads it in the ANSI code page, not as UTF-8: "Città"
// would name another file. Build every path from text through these.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace binario {

inline std::filesystem::path path_from_utf8(const std::string& testo) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(testo.begin(), testo.end()));
#else
    return std::filesystem::path(testo);
#endif
}

inline std::string path_to_utf8(const std::filesystem::path& p) {
#ifdef _WIN32
    const std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
#else
    return p.string();
#endif
}

// Where the last folder separator of `percorso` is (npos when none): '/' on
// Linux; '/' or '\\' on Windows, where users write the second.
inline size_t last_separator(const std::string& percorso) {
#ifdef _WIN32
    return percorso.find_last_of("/\\");
#else
    return percorso.rfind('/');
#endif
}

}  // namespace binario
