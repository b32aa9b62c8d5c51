// The command line of the tool: with no arguments, the one-shot run in the
// program's folder; otherwise one of the commands.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "service/compile_service.h"

namespace binario {

// The exit statuses of every command and of the one-shot run; the library returns
// values, and only the command layer turns them into these.
constexpr int exit_ok = 0;
constexpr int exit_faults = 1;
constexpr int exit_stopped = 2;
constexpr int exit_usage = 64;
constexpr int exit_bad_data = 65;
constexpr int exit_exists = 73;  // an output file exists and --force was not given
constexpr int exit_io = 74;
constexpr int exit_busy = 75;  // the output folder is in use and --no-wait was given

int esegui_cli(int argc, char** argv);

// Reports the one-shot run on `err` and returns its exit status: exit_io for a file
// that cannot be read or written (the message names it), exit_stopped with
// " Errore n. N" when the stamping stopped, exit_faults when the compile recorded
// faults (they are listed), exit_ok otherwise (warnings listed, if any). When
// `finestra` is set, the stop's " Errore n. N" is shown through it (a message box)
// instead of on `err`.
int riporta_avvio(const compile_result& esito, std::FILE* err,
                  const std::function<void(const std::string&)>& finestra = {});

}  // namespace binario
