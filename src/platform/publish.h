// What every program does the same way, so that none can forget it: the
// process set-up (standard descriptors, the file size signal, the durable
// switch), the end of a run (standard output that could not be written fails
// the run), inputs that must be regular files, and outputs that appear under
// their name only when complete.
//
//   int main(int argc, char** argv) {
//     if (!platform::start_program("prog")) return 2;  // the reason is on stderr
//     ... write the output through a PendingOutput (or a pending grid file) ...
//     platform::exit_process(platform::finish_program("prog", status));
//   }
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// ---------------------------------------------------------------------------
// The process

// Set-up before any file is opened: closed descriptors 0, 1 and 2 are opened
// on /dev/null (ensure_standard_streams), a write beyond the file size limit
// fails like a full disk (ignore_file_size_signal), and T2G_DURABLE is read.
// False, with "PROGRAM: ..." on standard error, when T2G_DURABLE holds a
// value that is neither on nor off (parse_switch): the program stops (status 2).
bool start_program(std::string_view program);

// The end of a run: flushes standard output; when a write to it failed, says
// so once on standard error ("PROGRAM: standard output could not be written:
// REASON") and turns status 0 into 1. Returns the status to exit with.
int finish_program(std::string_view program, int status);

// The standard-output line of finish_program at once, for a program that
// wants it before its own last words; true when output had failed. Later
// calls (and finish_program) do not repeat it.
bool report_stdout_failure(std::string_view program);

// An on/off switch as people write it: 1, yes, true, on / 0, no, false, off in
// any case with blanks around; nullopt for anything else.
std::optional<bool> parse_switch(std::string_view text);

// ---------------------------------------------------------------------------
// Inputs and outputs

// Whether `path` names a regular file (links followed), without opening it,
// so that a FIFO cannot block: kOk, kNotRegularFile (FIFO, device, socket),
// EISDIR, or the errno of stat (ENOENT, EACCES, ...).
int check_input_file(std::string_view path);

// Whether `path` is free for a new output: kOk when nothing is there, not even
// a dangling link; EEXIST otherwise, or the errno of lstat.
int check_output_name(std::string_view path);

// A new output file written under a temporary name beside its own,
// "<path>.incomplete.<pid>[.<n>]", and given its name by publish() only when
// complete, never replacing anything. Destroyed unpublished, it removes its
// temporary file: a run that fails leaves nothing behind, and a run that is
// killed leaves only a name no later run reuses.
class PendingOutput {
 public:
  PendingOutput() = default;
  PendingOutput(PendingOutput&& other) noexcept;
  PendingOutput& operator=(PendingOutput&& other) noexcept;
  PendingOutput(const PendingOutput&) = delete;
  PendingOutput& operator=(const PendingOutput&) = delete;
  ~PendingOutput();

  // Creates the empty temporary file for `path`: EEXIST when something is at
  // `path` (check_output_name), else kOk or the errno of the creation.
  int reserve(std::string_view path);
  // The name to write to until published; empty before reserve.
  const std::string& temp_path() const { return temp_; }
  const std::string& path() const { return path_; }
  // Gives the temporary file its name: in durable mode the file is synced
  // before and its folder after. EEXIST when the name was taken meanwhile
  // (the temporary file stays, until destroyed); kOk or an errno.
  int publish();
  // Removes the temporary file now (a failed run).
  void abandon();

 private:
  std::string path_, temp_;
};

}  // namespace platform
