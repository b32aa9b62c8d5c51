// Whether a path names an existing folder (following symbolic links).
#pragma once

#include <sys/stat.h>

#include <string>

namespace binario {

inline bool folder_exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace binario
