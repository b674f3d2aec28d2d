// The run parameters and the question-and-answer dialogue that fills them:
// stage 1 (grid size, files, counts, area, projection; then the echo) is run
// by the main program, stage 2 (dates, variable names, per-variable levels) by
// vexo_main before its conversion.
//
// A bad answer (end of input, an answer that cannot be read as the requested
// type, -1 for the first variable, more than kMaxLevels levels, a grid of
// more than kMaxGridValues values) ends the dialogue at once: the asking
// routine returns false with a DialogueStop describing it, and report_stop
// turns that into one line on standard error and exit status 2.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace driver {

inline constexpr int kFileNameWidth = 70;
inline constexpr int kDateWidth = 20;
inline constexpr int kVarNameWidth = 12;
inline constexpr int kProjWidth = 3;
inline constexpr int kMaxLevels = 30;  // rows of the levels table per variable
// Largest grid accepted: its value count must fit a 32-bit signed count.
inline constexpr std::int64_t kMaxGridValues = 2147483647;
// Exit status of a run stopped by a bad answer.
inline constexpr int kBadAnswerStatus = 2;

// Where an answer came from: the line of standard input it was read from
// (its last line; 0 when it was not read from standard input) and, for the
// whole-line answers, the line as typed, before it was cut to its field.
struct AnswerSource {
  int line = 0;
  std::string text;
};

// The sources of the answers that the checks after the dialogue look at.
struct AnswerSources {
  AnswerSource NX, NY, infile, outfile1, area, PROJ;
  std::vector<AnswerSource> dates, varnames, vcodes;  // one per time or variable
};

// The run-parameter record runpar. Texts are blank-padded to their widths.
struct RunPar {
  int NX = 0;
  int NY = 0;
  std::string infile = std::string(kFileNameWidth, ' ');
  std::string outfile1 = std::string(kFileNameWidth, ' ');
  int nskip = 0;  // read and echoed; nothing else uses it
  int ntimes = 0;
  int nvar = 0;
  float lat1 = 0.0f;
  float lon1 = 0.0f;
  float lat2 = 0.0f;
  float lon2 = 0.0f;
  std::string PROJ = std::string(kProjWidth, ' ');
  float angl1 = 0.0f;
  float angl2 = 0.0f;
  float angl3 = 0.0f;

  // Stage 2, one entry per time or variable (grown as the answers come in).
  std::vector<std::string> dates;     // kDateWidth characters each
  std::vector<std::string> varnames;  // kVarNameWidth characters each
  std::vector<int> nlevels;
  std::vector<int> vcodes;
  // levels[v-1][k-1] is level k of variable v; entries never answered are 0.
  std::vector<std::array<int, kMaxLevels>> levels;

  AnswerSources sources;
};

// Why the dialogue stopped: the question being answered and what went wrong.
struct DialogueStop {
  std::string question;
  std::string problem;
};

// Stage 1: the ten questions of the main program, answers into runpar.
bool ask_run_parameters(RunPar& runpar, DialogueStop& stop);

// The nine echo lines of stage 1.
void echo_run_parameters(const RunPar& runpar);

// Stage 2: dates, variable names and the per-variable block, for the
// runpar.ntimes times and runpar.nvar variables.
bool ask_variables(RunPar& runpar, DialogueStop& stop);

// The operator's message for a stopped dialogue (one line, no line end).
std::string stop_message(const DialogueStop& stop);

// Writes stop_message on standard error; returns kBadAnswerStatus, the exit
// status of the run.
int report_stop(const DialogueStop& stop);

}  // namespace driver
