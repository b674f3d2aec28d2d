// gridinfo on damaged files, the way they were found: salvage copies each
// grid's record word for word (packing and all) and the new file is found
// under the name given; --check fails whenever the reader would stop; a torn
// file lists its whole grids and marks the rest.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "gridtools/gridinfo.h"
#include "gridtools/gridtools_test_support.h"
#include "platform/test_files.h"

namespace {

using gridtools_test::GridEntry;
using gridtools_test::id;
namespace fs = std::filesystem;

using test_files::read_file;
using test_files::write_file;

class SalvageCheckTest : public gridtools_test::GridtoolsTest {
 protected:
  static gridtools_test::Outcome gridinfo(std::vector<std::string> args) {
    return run_program(gridinfo::run, "gridinfo", std::move(args));
  }
  // Six 20 x 15 grids under the packings a user asks for.
  std::string make_packed(const std::string& name) {
    gridfile::Navigation nav = gridtools_test::ced_4x3();
    nav.nx = 20;
    nav.ny = 15;
    std::vector<float> v(300);
    for (std::size_t k = 0; k < v.size(); ++k) v[k] = 295.35f + 0.013f * static_cast<float>(k);
    std::vector<GridEntry> grids;
    const char* packings[] = {"dec:2", "dec:-1", "grib:12", "diff:9", "none", "dec:3"};
    int level = 1000;
    for (const char* p : packings) {
      grids.push_back({id("910823/1200", level, gridfile::Vcoord::kPres, "TMPK"), v,
                       *gridfile::Packing::parse(p)});
      level -= 100;
    }
    return make_file(name, nav, grids);
  }
};

TEST_F(SalvageCheckTest, SalvageCopiesEveryRecordAsStored) {
  const std::string from = make_packed("packed.grd");
  const gridtools_test::Outcome r = gridinfo({from, "--salvage", dir_ + "/new.grd"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Salvaged 6 of 6 grids into " + dir_ + "/new.grd\n");
  auto a = gridfile::GridFile::open(from);
  auto b = gridfile::GridFile::open(dir_ + "/new.grd");
  ASSERT_TRUE(a.ok() && b.ok());
  ASSERT_EQ(b->count(), 6);
  for (int n = 1; n <= 6; ++n) {
    auto ga = a->read(n), gb = b->read(n);
    ASSERT_TRUE(ga.ok() && gb.ok()) << n;
    EXPECT_EQ(gb->info.id, ga->info.id);
    EXPECT_EQ(gb->info.packing.text(), ga->info.packing.text()) << n;
    EXPECT_EQ(gb->info.step, ga->info.step) << n;  // dec:2 keeps its step of 0.01
    EXPECT_EQ(gb->info.reference, ga->info.reference) << n;
    EXPECT_EQ(gb->info.words, ga->info.words) << n;
    for (std::size_t k = 0; k < ga->values.size(); ++k) {
      ASSERT_EQ(std::bit_cast<std::uint32_t>(gb->values[k]),
                std::bit_cast<std::uint32_t>(ga->values[k]))
          << "grid " << n << " value " << k;
    }
  }
  EXPECT_TRUE(gridfile::check(dir_ + "/new.grd").ok());
}

// "HOME:w.grd" names a file in the working folder for every gridinfo use:
// salvage writes there and the listing finds it; $HOME is not touched.
TEST_F(SalvageCheckTest, SalvageAndListingAgreeOnTheName) {
  const std::string from = make_packed("packed.grd");
  fs::create_directories(dir_ + "/home");
  const char* old_home = std::getenv("HOME");
  const std::string saved_home = old_home != nullptr ? old_home : "";
  ::setenv("HOME", (dir_ + "/home").c_str(), 1);
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  const gridtools_test::Outcome salvaged = gridinfo({from, "--salvage", "HOME:w.grd"});
  const gridtools_test::Outcome listed = gridinfo({"HOME:w.grd", "--check"});
  fs::current_path(cwd);
  ::setenv("HOME", saved_home.c_str(), 1);
  EXPECT_EQ(salvaged.status, 0) << salvaged.err;
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_TRUE(fs::exists(dir_ + "/HOME:w.grd"));
  EXPECT_FALSE(fs::exists(dir_ + "/home/w.grd"));
}

// Every single word of a small file changed in turn: whenever the reader
// stops on the file (open, list or read a grid), --check fails too.
TEST_F(SalvageCheckTest, CheckFindsEverythingTheReaderStopsOn) {
  gridfile::Navigation nav = gridtools_test::ced_4x3();
  const std::string good =
      make_file("small.grd", nav,
                {GridEntry{id("910823/1200", 500, gridfile::Vcoord::kPres, "TMPK"),
                           std::vector<float>(12, 280.5f), *gridfile::Packing::parse("grib:10")},
                 GridEntry{id("910823/1200", 0, gridfile::Vcoord::kNone, "PMSL"),
                           std::vector<float>(12, 1013.25f),
                           {}}});
  const std::string bytes = read_file(good);
  const std::string bad = dir_ + "/bad.grd";
  int reader_stops = 0;
  for (std::size_t w = 0; w + 4 <= bytes.size(); w += 4) {
    std::string changed = bytes;
    std::uint32_t word = 0;
    std::memcpy(&word, changed.data() + w, 4);
    word ^= 0x00010001u;  // one bit in a low and one in a high half
    std::memcpy(changed.data() + w, &word, 4);
    write_file(bad, changed);
    bool reader_ok = false;
    if (auto f = gridfile::GridFile::open(bad); f.ok()) {
      reader_ok = f->grids().ok();
      for (int n = 1; reader_ok && n <= f->count(); ++n) {
        auto g = f->read(n);
        reader_ok = g.ok() || g.error().code == -15;
      }
    }
    if (reader_ok) continue;
    ++reader_stops;
    ASSERT_FALSE(gridfile::check(bad).ok()) << "word " << w / 4 + 1 << " changed";
  }
  EXPECT_GT(reader_stops, 0);
}

// A file cut inside its last grids: the whole grids are listed, the others
// marked, in every form; salvage copies the whole ones.
TEST_F(SalvageCheckTest, TornFileListsItsWholeGridsAndMarksTheRest) {
  const std::string bytes = read_file(make_packed("packed.grd"));
  const std::string torn = dir_ + "/torn.grd";
  write_file(torn, bytes.substr(0, bytes.size() - 1300));  // into the last two grids
  gridtools_test::Outcome r = gridinfo({torn});
  EXPECT_EQ(r.status, gridinfo::kExitBadFile);
  EXPECT_NE(r.out.find("TMPK"), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("unreadable"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("cannot be read"), std::string::npos) << r.err;

  r = gridinfo({torn, "--json"});
  const nlohmann::json j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["grids"].size(), 6u) << r.out;
  EXPECT_FALSE(j["grids"][0].contains("error"));
  EXPECT_TRUE(j["grids"][5].contains("error"));

  r = gridinfo({torn, "--csv"});
  EXPECT_EQ(lines(r.out).size(), 1u + 6u) << r.out;

  r = gridinfo({torn, "--salvage", dir_ + "/saved.grd"});
  EXPECT_EQ(r.status, 1);
  auto saved = gridfile::GridFile::open(dir_ + "/saved.grd");
  ASSERT_TRUE(saved.ok()) << r.err;
  EXPECT_GE(saved->count(), 4);
  EXPECT_LT(saved->count(), 6);
  EXPECT_NE(r.err.find("left out"), std::string::npos) << r.err;
}

}  // namespace
