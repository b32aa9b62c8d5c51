// The operating system's side of temporary files in an output folder.
//
// Guarantees an implementation must give:
// - crea_temporaneo creates a new file, never opening one that exists, and marks
//   it as in use for as long as the returned handle stays open, so that
//   temporaneo_abbandonato sees it as live in any process.
// - temporaneo_abbandonato is true only for a regular file nobody has open
//   through crea_temporaneo; what a dead process left is always abandoned.
// - suffisso_casuale differs between processes and calls with overwhelming
//   probability, also where every process has the same id (containers).
#pragma once

#include <string>
#include <vector>

namespace binario {

// 16 hexadecimal digits from the system's random source, never the same twice in
// one process (on Linux a sequence seeded once per process, and again in a child
// after fork, which saves a system call a file).
std::string suffisso_casuale();

// open(path, write-only, create, exclusive); the descriptor or -1 with errno.
int crea_temporaneo(const char* path);

// True when `path` is a regular file that no live writer holds.
bool temporaneo_abbandonato(const std::string& path);

// The names in `cartella` (without "." and ".."); empty when it cannot be read.
std::vector<std::string> nomi_in_cartella(const std::string& cartella);

}  // namespace binario
