// Writing the plan file while the loader is still computing the plan.
//
// A long line's plan file is most of what a compile writes (20 MB at 1000 km),
// and computing its points is most of the compile's work. The writer takes the
// reals as they are computed: the loader stores each one's file bytes straight
// into a buffer the writer gives it, a range of points at a time, and a worker
// thread writes each range that is final into a temporary file at its place, so
// that the writing overlaps the computing. The plan itself is then kept compact,
// without its points. Short plans are written the ordinary way, after the load.
//
// The places follow from the usual shape of a compiled plan: integers at metres
// 0 and 1, reals from metre 2 to the last metre but two, the last two empty.
// Whenever the plan turns out otherwise (a load stopped by an error, a curve run
// past the end), or a write fails, the temporary is dropped and the plan is
// written the ordinary way, which also reports any failure of the disk.
#pragma once

#ifdef __linux__
#include <sched.h>
#endif

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/file_replace.h"
#include "compiler/plan_progress.h"
#include "compiler/track_model.h"

namespace binario {

class scrittura_piano_anticipata final : public osservatore_piano {
  public:
    // `percorso` is the plan file's final name; the temporary goes beside it.
    explicit scrittura_piano_anticipata(std::string percorso,
                                        const file_ops& ops = system_file_ops());
    // Stops the worker and removes a temporary that nobody took.
    ~scrittura_piano_anticipata() override;
    scrittura_piano_anticipata(const scrittura_piano_anticipata&) = delete;
    scrittura_piano_anticipata& operator=(const scrittura_piano_anticipata&) = delete;

    bool prende_i_reali(int32_t ultimo_metro) override;
    char* spazio_reali(int32_t da, int32_t a) override;
    void punti_pronti(const planimetria_metrica& piano, int32_t fino) override;

    // Once the plan is complete: finishes the temporary and returns its name when
    // it holds exactly the plan file of `piano`; the caller then owns it. Otherwise
    // removes it and returns nothing.
    std::optional<std::string> completa(const planimetria_metrica& piano);

    const std::string& percorso() const { return percorso_; }

  private:
    // Not zeroed: the loader stores every byte before it is written.
    struct memoria {
        std::unique_ptr<char[]> dati;
        size_t capacita = 0;
    };
    // The reals of metres [da, a) as the file holds them: the x column's, then
    // the y column's.
    struct lavoro {
        int32_t da = 0;
        int32_t a = 0;
        memoria byte;
        size_t colonna() const { return static_cast<size_t>(a - da) * byte_elemento_reale; }
    };

    void consegna(lavoro l);
    void lavora();
    bool scrivi(std::vector<lavoro>& lotto);
    bool scrivi_estremi(const planimetria_metrica& piano);
    void ferma_lavoratore();
    void separa_processori();
    void riunisci_processori();
    void chiudi_e_rimuovi();

    const std::string percorso_;
    const file_ops ops_;
    std::string temporaneo_;
    int fd_ = -1;

    // The loader's side.
    int32_t ultimo_metro_ = -1;                   // the plan's, once its reals are taken
    const planimetria_metrica* piano_ = nullptr;  // set by the first announcement
    std::optional<lavoro> in_corso_;              // the range the loader is filling
    int32_t consegnati_ = 2;                      // reals [2, consegnati_) are queued
    bool rifiutato_ = false;  // the plan is not of the usual shape, or writing failed

    // Shared with the worker, under mutex_.
    std::mutex mutex_;
    std::condition_variable segnale_;
    std::deque<lavoro> coda_;      // serialised, waiting to be written
    std::vector<memoria> liberi_;  // written buffers, for reuse
    bool finito_ = false;          // nothing more will be queued
    bool fallito_ = false;         // a write failed, or the worker must stop
    std::thread lavoratore_;

    // The loader's thread is held on one processor while the worker runs.
#ifdef __linux__
    cpu_set_t affinita_originale_{};
#endif
    bool affinita_cambiata_ = false;
};

}  // namespace binario
