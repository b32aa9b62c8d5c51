// Writing the plan file while the loader is still computing the plan.
//
// A long line's plan file is most of what a compile writes (20 MB at 1000 km),
// and computing its points is most of the compile's work. Each range of points
// the loader reports final is taken at once: the loader's thread serialises its
// x column, a worker thread its y column, and the worker writes both into a
// temporary file at their places, so that the writing overlaps the computing.
// Short plans are written the ordinary way, after the load.
//
// The places follow from the usual shape of a compiled plan: integers at metres
// 0 and 1, reals from metre 2 to the last metre but two, the last two empty.
// Whenever the plan turns out otherwise (a load stopped by an error, a curve run
// past the end), or a write fails, the temporary is dropped and the plan is
// written the ordinary way, which also reports any failure of the disk.
#pragma once

#include <sched.h>

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

    void punti_pronti(const planimetria_metrica& piano, int32_t fino) override;

    // Once the plan is complete: finishes the temporary and returns its name when
    // it holds exactly the plan file of `piano`; the caller then owns it. Otherwise
    // removes it and returns nothing.
    std::optional<std::string> completa(const planimetria_metrica& piano);

    const std::string& percorso() const { return percorso_; }

  private:
    // Both columns of metres [da, a), serialised: the x part, then the y part.
    // Buffers are not zeroed: every byte is serialised before it is written.
    struct memoria {
        std::unique_ptr<char[]> dati;
        size_t capacita = 0;
    };
    struct lavoro {
        int32_t da = 0;
        int32_t a = 0;
        memoria byte;
        bool y_serializzata = false;
        size_t colonna() const { return static_cast<size_t>(a - da) * (2 + 8); }
    };

    bool serializza_fino(int32_t fino, bool ultima = false);
    void consegna(lavoro l);
    void lavora();
    bool scrivi(std::vector<lavoro>& lotto);
    bool scrivi_estremi();
    void ferma_lavoratore();
    void separa_processori();
    void riunisci_processori();
    void chiudi_e_rimuovi();

    const std::string percorso_;
    const file_ops ops_;
    std::string temporaneo_;
    int fd_ = -1;

    // The loader's side: the plan and how far it has been serialised.
    const planimetria_metrica* piano_ = nullptr;  // set by the first announcement
    int32_t serializzati_ = 2;
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
    cpu_set_t affinita_originale_{};
    bool affinita_cambiata_ = false;
};

}  // namespace binario
