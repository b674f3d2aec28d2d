// Every program as a shell runs it, in an unlucky environment: standard
// streams closed, standard output on a full device, a SIGKILL at a random
// moment, a disk that fills up. Whatever happens, an output under its final
// name reads back whole through the reader, a failure says so with exit
// status 1, and nothing half-written is left under a final name.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/test_files.h"

namespace {

namespace fs = std::filesystem;
using test_files::read_file;
using test_files::write_file;

const std::string kT2g = TEXT2GRID_PATH;
// text2grid's command-line way, for the conversion of write_conversion.
const std::string kT2gLine = kT2g +
                             " -i in.txt --size 120x90 --area 30,-100,37.5,-86 --time 910823/1200 "
                             "--time 910824/0000 --var TMPK:PRES=850,700,500 --var PMSL=0";
const std::string kInfo = GRIDINFO_PATH;
const std::string kDiff = GRIDDIFF_PATH;
const std::string kPlot = GRIDPLOT_PATH;
const std::string kToNc = GRID2NC_PATH;
const std::string kFromNc = NC2GRID_PATH;
const std::string kToGrib = GRID2GRIB_PATH;
const std::string kFromGrib = GRIB2GRID_PATH;

// Runs a bash script in `dir` (from a file, so that it needs no quoting);
// its exit status (128 + n for signal n).
int sh(const std::string& dir, const std::string& script, const std::string& file = "run.sh") {
  write_file(dir + "/" + file, script + "\n");
  const int raw = std::system(("cd '" + dir + "' && bash " + file).c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

// The example's dialogue for an nx x ny area: 8 grids (TMPK at three levels
// and PMSL, at two times), the values one per line.
void write_conversion(const std::string& dir, int nx, int ny) {
  std::string values;
  for (int k = 0; k < 8 * nx * ny; ++k) values += std::to_string(250 + k % 97) + ".25\n";
  write_file(dir + "/in.txt", values);
  write_file(dir + "/answers", std::to_string(nx) + "\n" + std::to_string(ny) +
                                   "\nin.txt\nOUT\n0\n2\n2\n30.0 -100.0 37.5 -86.0\nCED\n0.0 "
                                   "0.0 0.0\n910823/1200\n910824/0000\nTMPK\nPMSL\n3\n1\n0\n850 "
                                   "700 500\n1\n0\n0\n0\n");
}

// The command that writes `out` in the program's own way (run in the folder
// holding in.txt, answers, src.grd and src.nc).
struct Writer {
  std::string name;
  std::string command;  // OUT stands for the output's name
  bool grid_output;  // else netCDF or GRIB2 (read back through nc2grid or grib2grid) or a picture
};

std::vector<Writer> writers() {
  return {
      {"text2grid", "sed 's|^O[U]T$|OUT|' answers | " + kT2g, true},
      {"text2grid-i", kT2gLine + " -o OUT", true},
      {"nc2grid", kFromNc + " src.nc OUT", true},
      {"grid2nc", kToNc + " src.grd OUT", false},
      {"salvage", kInfo + " src.grd --salvage OUT", true},
      {"gridplot", kPlot + " src.grd 1 -o OUT", false},
      {"grid2grib", kToGrib + " src.grd OUT", false},
      {"grib2grid", kFromGrib + " src.grib2 OUT", true},
  };
}

std::string with_output(std::string command, const std::string& out) {
  for (std::size_t at; (at = command.find("OUT")) != std::string::npos;) {
    command.replace(at, 3, out);
  }
  return command;
}

// What is under `name` reads back whole, or nothing is there; "" when so.
std::string output_problem(const std::string& dir, const Writer& w, const std::string& name) {
  const std::string path = dir + "/" + name;
  if (!fs::exists(path)) return {};
  if (w.grid_output) {
    if (sh(dir, kInfo + " " + name + " --check > check.txt 2>&1") != 0) {
      return name + " fails --check: " + read_file(dir + "/check.txt");
    }
  } else if (w.name == "grid2nc" || w.name == "grid2grib") {
    // Every grid, read back through the importer (ecCodes for GRIB2).
    fs::remove(dir + "/back.grd");
    const std::string importer = w.name == "grid2nc" ? kFromNc : kFromGrib;
    if (sh(dir, importer + " " + name + " back.grd > back.txt 2>&1") != 0 ||
        sh(dir, kInfo + " back.grd --check > /dev/null 2>&1") != 0) {
      return name + " does not import back: " + read_file(dir + "/back.txt");
    }
  } else if (read_file(path).substr(1, 3) != "PNG") {
    return name + " is not a whole picture";
  }
  return {};
}

class ProgramsProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("MORERR", T2G_SOURCE_DIR "/tables/errors", 0);
    ::setenv("MORTBL", T2G_SOURCE_DIR "/tables", 0);
    write_conversion(dir_.path().string(), 120, 90);
    ASSERT_EQ(sh(dir(), "sed 's|^OUT$|src.grd|' answers | " + kT2g + " > /dev/null"), 0);
    ASSERT_EQ(sh(dir(), kToNc + " src.grd src.nc > /dev/null"), 0);
    ASSERT_EQ(sh(dir(), kToGrib + " src.grd src.grib2 > /dev/null"), 0);
  }
  std::string dir() const { return dir_.path().string(); }
  test_files::ScratchDir dir_{"programs_process"};
};

// The writer's command for output `out` (text2grid's answers name it).
std::string command_for(const Writer& w, const std::string& out) {
  return with_output(w.command, out);
}

TEST_F(ProgramsProcessTest, ClosedStandardStreamsLendNoDescriptorToAnOutput) {
  for (const Writer& w : writers()) {
    const std::string out = "closed-" + w.name;
    const std::string closed = w.name == "text2grid" ? " >&- 2>&-" : " <&- >&- 2>&-";
    EXPECT_EQ(sh(dir(), command_for(w, out) + closed), 0) << w.name;
    ASSERT_TRUE(fs::exists(dir() + "/" + out)) << w.name;
    EXPECT_EQ(output_problem(dir(), w, out), "") << w.name;
  }
  // The readers, with their answers nowhere to go.
  for (const std::string& reader : {kInfo + " src.grd", kDiff + " src.grd src.grd"}) {
    EXPECT_EQ(sh(dir(), reader + " <&- >&- 2>&-"), 0) << reader;
  }
}

TEST_F(ProgramsProcessTest, StandardOutputThatCannotBeWrittenFailsEveryProgram) {
  const std::vector<std::string> commands = {
      "sed 's|^OUT$|full.grd|' answers | " + kT2g,
      kT2gLine + " -o full1.grd",
      kInfo + " src.grd",
      kInfo + " src.grd --json",
      kInfo + " src.grd --csv",
      kInfo + " src.grd --check",
      kInfo + " src.grd --dump 1",
      kInfo + " src.grd --salvage full4.grd",
      kDiff + " src.grd src.grd",
      kToNc + " src.grd full.nc",
      kFromNc + " src.nc full2.grd",
      kToGrib + " src.grd full.grib2",
      kFromGrib + " src.grib2 full3.grd",
  };
  for (const std::string& command : commands) {
    EXPECT_EQ(sh(dir(), command + " > /dev/full 2> err.txt"), 1) << command;
    EXPECT_NE(read_file(dir() + "/err.txt").find("standard output could not be written"),
              std::string::npos)
        << command << ": " << read_file(dir() + "/err.txt");
  }
}

// Each writer killed at random moments of its run: its output is whole or
// absent, and a temporary file is all it may leave besides.
TEST_F(ProgramsProcessTest, KilledAtRandomMomentsLeavesWholeOutputsOrNone) {
  std::mt19937 random(20261208);
  for (const Writer& w : writers()) {
    for (int k = 0; k < 4; ++k) {
      const std::string out = "kill-" + w.name + "-" + std::to_string(k);
      const double at = std::uniform_real_distribution<double>(0.005, 0.4)(random);
      write_file(dir() + "/writer.sh", command_for(w, out) + " > /dev/null 2>&1\n");
      const int status =
          sh(dir(), "timeout -s KILL " + std::to_string(at) + " bash writer.sh", "kill.sh");
      EXPECT_TRUE(status == 0 || status == 137) << w.name << " status " << status;
      EXPECT_EQ(output_problem(dir(), w, out), "") << w.name << " killed after " << at << " s";
    }
  }
}

// Each writer on a disk that fills up: exit status 1 and a message, and no
// damaged output (text2grid keeps the grids it wrote, in a sound file).
TEST_F(ProgramsProcessTest, FullDiskFailsCleanly) {
  const bool tmpfs = sh(dir(), "unshare -m --propagation private true 2> /dev/null") == 0;
  for (const Writer& w : writers()) {
    const std::string out = "small/full-" + w.name;
    // Run, then look at the small folder before it goes (a tmpfs of 8 KiB
    // in a mount namespace of its own where one can be made; else a file
    // size limit of 8 KiB).
    sh(dir(), "rm -rf small; mkdir small");
    const std::string run = command_for(w, out) +
                            " > run-out.txt 2> run-err.txt; echo $? > status; ls small > "
                            "listing.txt; " +
                            kInfo + " " + out + " --check > check.txt 2>&1; echo $? > check-status";
    if (tmpfs) {
      write_file(dir() + "/inner.sh",
                 "mount -t tmpfs -o size=8k tmpfs small && { " + run + "; umount small; }\n");
      sh(dir(), "unshare -m --propagation private bash inner.sh");
    } else {
      sh(dir(), "ulimit -f 8; " + run);
    }
    EXPECT_EQ(read_file(dir() + "/status"), "1\n")
        << w.name << ": " << read_file(dir() + "/run-err.txt");
    EXPECT_NE(read_file(dir() + "/run-err.txt"), "") << w.name;
    const std::string listing = read_file(dir() + "/listing.txt");
    EXPECT_EQ(listing.find(".incomplete."), std::string::npos) << w.name << ": " << listing;
    if (w.grid_output && listing.find("full-" + w.name + "\n") != std::string::npos) {
      EXPECT_EQ(read_file(dir() + "/check-status"), "0\n") << read_file(dir() + "/check.txt");
    }
  }
}

}  // namespace
