// The compile of one scenario, as every caller asks for it: the commands that
// compile, check and draw, the one-shot run, and any tool that compiles in memory.
//
// One call does the whole path: the names (from the request, otherwise from the
// file names; validated once and put into the table in Windows-1252), the two
// sources (read from disk, or taken from memory, as an editor's unsaved buffer),
// the compile, the plan file written while the plan is computed, and the compiled
// set written all-or-nothing into the output folder, if one is given.
//
// How the library reports failure: a function that can fail returns a value that
// says what went wrong, and the caller decides what to print and how to end.
//  - a fault of the scenario is a `diagnostica` (file, line, number, message);
//  - a request that cannot be served is a `request_fault`; nothing is compiled or
//    written;
//  - a failure of the platform (a file that cannot be read or written) is an
//    `io_failure`, naming the file and the operating system's reason.
// Nothing in the library ends the process. A module may throw file_error inside
// itself (deep in a writer), but turns it into a value at its edge, as this one does.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/file_replace.h"
#include "compiler/scenario_loader.h"
#include "compiler/track_model.h"

namespace binario {

// One description file: read from `path`, or taken as `text` when that is set.
struct source_input {
    std::string path;
    std::string name;                 // how diagnostics name the file; `path` when empty
    std::optional<std::string> text;  // the content already in memory
};

// Why a request could not be served.
struct request_fault {
    enum class kind {
        line_name_unknown,   // no line name given, and the line file's name gives none
        train_code_unknown,  // no train code given, and the train file's name gives none
        bad_name,            // a name that cannot name a file or stand in the table
        no_output_folder,    // the output folder does not exist or is not a folder
        output_is_input,     // a compiled file would replace a description file
    };
    kind what;
    std::string message;  // one sentence, for a person
};

// A failure of the platform: the file and the operating system's reason.
struct io_failure {
    std::string path;
    std::string reason;
    std::string text() const { return path + ": " + reason; }
};

// Which compiles write their set into the output folder. A set that is not
// written leaves the files already there as they were (result.withheld).
enum class write_rule {
    // Only a scenario without errors: a compile that recorded an error, or whose
    // description file does not exist, writes nothing.
    clean_only,
    // The set as far as the compile got, errors or not; a description file that
    // does not exist still writes nothing (its name may be a slip).
    incomplete,
    // Whatever the compile gives, a missing description file included: the
    // one-shot run, which writes its sources itself.
    always,
};

struct compile_request {
    source_input line_file;
    source_input train_file;
    std::optional<std::string> line_name;   // UTF-8; otherwise from line_file.path
    std::optional<std::string> train_code;  // UTF-8; otherwise from train_file.path
    // Where the compiled set goes; none: nothing is written (check, draw, verify).
    std::optional<std::string> output_folder;
    bool build_plan = true;  // false: no plan built, no plan file written
    // The one-shot run deletes the description files the loader consumed, right
    // after the compile, before anything is written.
    bool delete_consumed_sources = false;
    const file_ops* ops = nullptr;  // the writer's system calls; the system's when null
    // The output folder is taken for the whole compile (see folder_lock.h). When
    // another process holds it: wait (calling `on_wait` once, if the wait goes
    // on), or, with wait_for_folder false, give up at once (result.folder_busy).
    bool wait_for_folder = true;
    std::function<void()> on_wait;
    // Which compiles write their set (see write_rule); with warnings_count_as_errors
    // a warning keeps a clean_only set from being written as an error does.
    write_rule writes = write_rule::clean_only;
    bool warnings_count_as_errors = false;
    // What the diagnostics keep: the limit, and the warnings turned off.
    regole_diagnostiche diagnostics;
};

// How a description file was found.
struct source_status {
    sorgente::stato state = sorgente::stato::assente;
    std::string name;        // as diagnostics name it
    std::string reason;      // the operating system's, when it could not be read
    bool too_large = false;  // not read because larger than a description file may be
};

struct compile_result {
    // Set: nothing was compiled or written. The sources were read all the same, and
    // their state below tells whether they could be.
    std::optional<request_fault> fault;

    std::string line_name;   // UTF-8, as given or derived: it names the files
    std::string train_code;  // idem
    source_status line_source, train_source;

    // The compiled model: cells, table, plan, error state (errore_numero,
    // errore_progressiva) and diagnostics. Its linea and treno are the names above.
    // With an output folder and a plan, a long plan's points go straight into the
    // plan file as they are computed, and the model keeps the plan without them:
    // a caller that needs the points compiles without an output folder.
    modello model;
    bool cells_built = false;  // false: the load stopped before the line length
    // The code stamping stopped with error 1250 or 1251 (nothing is written then):
    // the number and why, in the words of the model. It is not among the model's
    // diagnostics; a caller that lists the faults adds it last, as compile does.
    std::optional<diagnostica> stop;

    // The output folder could not be taken: in use and not to be waited for, or
    // not usable (folder_error). Nothing was compiled or written then.
    bool folder_busy = false;
    std::optional<io_failure> folder_error;

    // The set was not written because the request's write_rule keeps it back:
    // errors, warnings that count as errors, or a missing description file.
    bool withheld = false;
    std::vector<std::string> written;    // the compiled set, in order, once written
    std::optional<io_failure> io_error;  // deleting a consumed source, or writing
    // After a failed write of the set: whether the files there before are untouched,
    // back in place, or mixed with new ones (the journal stays for recovery).
    errore_insieme::stato set_state = errore_insieme::stato::invariato;

    // Both description files exist (or were given as text).
    bool sources_present() const {
        return line_source.state != sorgente::stato::assente &&
               train_source.state != sorgente::stato::assente;
    }
    bool sources_readable() const {
        return line_source.state != sorgente::stato::illeggibile &&
               train_source.state != sorgente::stato::illeggibile;
    }
};

// Serves one request. Never throws for a failure of the scenario or the platform
// (only for lack of memory); see the result's fields.
compile_result compile_scenario(const compile_request& request);

}  // namespace binario
