// Zero-filled arrays of plain values for the per-metre data of long lines.
//
// A 1000 km plan holds 20 MB. Taken from the kernel, the memory is already zero,
// so no fill pass touches it before use; marked for huge pages, it costs about
// ten page faults instead of five thousand. Small arrays come from calloc.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

namespace binario {

// Zeroed memory of `byte` bytes; throws std::bad_alloc. Free with rilascia_zerata
// and the same size.
void* prendi_zerata(size_t byte);
void rilascia_zerata(void* p, size_t byte) noexcept;

// A fixed-size array whose elements start as all-zero bytes.
template <class T>
class vettore_zerato {
    static_assert(std::is_trivially_copyable_v<T>, "elements are copied as bytes");

  public:
    vettore_zerato() = default;
    explicit vettore_zerato(size_t n) { prendi(n); }
    vettore_zerato(const vettore_zerato& o) : vettore_zerato(o.n_) {
        if (n_ > 0) std::memcpy(dati_, o.dati_, n_ * sizeof(T));
    }
    vettore_zerato(vettore_zerato&& o) noexcept
        : dati_(std::exchange(o.dati_, nullptr)), n_(std::exchange(o.n_, 0)) {}
    vettore_zerato& operator=(vettore_zerato o) noexcept {
        std::swap(dati_, o.dati_);
        std::swap(n_, o.n_);
        return *this;
    }
    ~vettore_zerato() { libera(); }

    // Replaces the contents with n zeroed elements.
    void azzera(size_t n) {
        libera();
        prendi(n);
    }
    void clear() noexcept { libera(); }

    size_t size() const { return n_; }
    bool empty() const { return n_ == 0; }
    T* data() { return dati_; }
    const T* data() const { return dati_; }
    T& operator[](size_t i) { return dati_[i]; }
    const T& operator[](size_t i) const { return dati_[i]; }
    T* begin() { return dati_; }
    T* end() { return dati_ + n_; }
    const T* begin() const { return dati_; }
    const T* end() const { return dati_ + n_; }

  private:
    void prendi(size_t n) {
        if (n == 0) return;
        dati_ = static_cast<T*>(prendi_zerata(n * sizeof(T)));
        n_ = n;
    }
    void libera() noexcept {
        if (dati_ != nullptr) rilascia_zerata(dati_, n_ * sizeof(T));
        dati_ = nullptr;
        n_ = 0;
    }

    T* dati_ = nullptr;
    size_t n_ = 0;
};

}  // namespace binario
