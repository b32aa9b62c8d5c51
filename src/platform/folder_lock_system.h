// The operating system's side of the folder lock (folder_lock.h): what carries
// the lock of a folder, and one attempt at taking it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace binario::lock_system {

// An open handle that carries a folder's lock: a descriptor on Linux, a HANDLE
// on Windows. The system drops the lock when it is closed or the process ends.
using handle = intptr_t;

// The same key for every open of the same folder (device and file number).
using folder_key = std::pair<uint64_t, uint64_t>;

// Opens what carries the lock of `cartella` and sets `chiave`; throws file_error
// (naming the folder) when it cannot.
handle open_folder(const std::string& cartella, folder_key& chiave);

enum class attempt { taken, busy, unsupported };

// One try at the exclusive lock, not waiting: taken, busy (another process holds
// it), or unsupported (the file system has no locks; writers are then not kept
// apart). Throws file_error (naming the folder) on any other failure.
attempt try_lock(handle h, const std::string& cartella);

void close(handle h);

}  // namespace binario::lock_system
