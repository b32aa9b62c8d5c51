// Windows: the folder is locked through a lock file inside it, ".binario.lock",
// held with LockFileEx (a folder's own handle takes no byte-range lock). The
// system drops the lock when the handle closes or the process ends.
#include <windows.h>

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>

#include "common/file_replace.h"
#include "platform/folder_lock.h"
#include "platform/posix_windows.h"
#include "platform/text_windows.h"

namespace binario {

struct blocco_cartella::voce {
    std::recursive_timed_mutex turno;
    HANDLE file = INVALID_HANDLE_VALUE;
    int tenute = 0;
};

namespace {

using chiave = std::tuple<DWORD, DWORD, DWORD>;  // volume, file index

std::mutex& mutex_registro() {
    static std::mutex m;
    return m;
}
std::map<chiave, std::weak_ptr<blocco_cartella::voce>>& registro() {
    static std::map<chiave, std::weak_ptr<blocco_cartella::voce>> r;
    return r;
}

constexpr auto attesa_silenziosa = std::chrono::milliseconds(1000);
constexpr auto passo_attesa = std::chrono::milliseconds(20);

std::string messaggio(DWORD e) {
    return std::strerror(errno_da_windows(e));
}

}  // namespace

blocco_cartella::blocco_cartella(const std::string& cartella, const opzioni_blocco& o) {
    const std::wstring wcartella = wide_da_utf8(cartella);
    const DWORD attributi = ::GetFileAttributesW(wcartella.c_str());
    if (attributi == INVALID_FILE_ATTRIBUTES)
        throw file_error(cartella, messaggio(::GetLastError()));
    if (!(attributi & FILE_ATTRIBUTE_DIRECTORY))
        throw file_error(cartella, messaggio(ERROR_DIRECTORY));
    const std::wstring nome = wcartella + L"\\" + wide_da_utf8(nome_file_blocco);
    const HANDLE h = ::CreateFileW(nome.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw file_error(cartella, messaggio(::GetLastError()));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h, &info)) {
        const DWORD e = ::GetLastError();
        ::CloseHandle(h);
        throw file_error(cartella, messaggio(e));
    }
    {
        std::lock_guard<std::mutex> lk(mutex_registro());
        auto& debole =
            registro()[{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow}];
        voce_ = debole.lock();
        if (!voce_) {
            voce_ = std::make_shared<voce>();
            debole = voce_;
        }
    }
    if (o.attendi) {
        voce_->turno.lock();
    } else if (!voce_->turno.try_lock()) {
        ::CloseHandle(h);
        voce_.reset();
        throw cartella_occupata(cartella);
    }
    if (voce_->tenute > 0) {
        ::CloseHandle(h);
        ++voce_->tenute;
        return;
    }
    const auto inizio = std::chrono::steady_clock::now();
    bool avvisato = false;
    for (;;) {
        OVERLAPPED dove{};
        if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &dove))
            break;
        const DWORD e = ::GetLastError();
        if (e != ERROR_LOCK_VIOLATION || !o.attendi) {
            ::CloseHandle(h);
            voce_->turno.unlock();
            voce_.reset();
            if (e == ERROR_LOCK_VIOLATION) throw cartella_occupata(cartella);
            throw file_error(cartella, messaggio(e));
        }
        if (!avvisato && std::chrono::steady_clock::now() - inizio >= attesa_silenziosa) {
            avvisato = true;
            if (o.avviso_attesa) o.avviso_attesa();
        }
        std::this_thread::sleep_for(passo_attesa);
    }
    voce_->file = h;
    voce_->tenute = 1;
    esterno_ = true;
}

blocco_cartella::~blocco_cartella() {
    if (!voce_) return;
    if (--voce_->tenute == 0) {
        ::CloseHandle(voce_->file);  // releases the lock
        voce_->file = INVALID_HANDLE_VALUE;
    }
    voce_->turno.unlock();
}

}  // namespace binario
