// The command line of the tool: with no arguments, the one-shot run in the
// program's folder; otherwise one of the commands.
#pragma once

namespace binario {

// Exit statuses shared by every command.
constexpr int exit_ok = 0;
constexpr int exit_faults = 1;
constexpr int exit_stopped = 2;
constexpr int exit_usage = 64;
constexpr int exit_bad_data = 65;
constexpr int exit_io = 74;
constexpr int exit_busy = 75;  // the output folder is in use and --no-wait was given

int esegui_cli(int argc, char** argv);

}  // namespace binario
