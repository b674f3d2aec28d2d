// grib2grid's refusals, one test each, and the messages it reads that
// grid2grib does not write: other scanning, other units of time, unknown
// parameters named with --name.
#include <gtest/gtest.h>

#include <unistd.h>

#include "grib/grib_test_support.h"
#include "platform/contain.h"

namespace grib {
namespace {

using namespace grib::testing;
using gridfile::GridFile;
using gridfile::Navigation;

class Import : public GribTest {
 protected:
  // A GRIB2 file of two grid2grib messages (TMPK 850 and 500 hPa) on a 4 x 3 grid.
  std::string good_file() {
    if (fs::exists(path("good.grib2"))) return path("good.grib2");
    const Navigation nav{"CED", 4, 3, 10, 20, 12, 26, 0, 0, 0};
    std::vector<float> v(12);
    for (std::size_t k = 0; k < v.size(); ++k) v[k] = 270.0f + static_cast<float>(k);
    make_grid_file(path("good.grd"), nav,
                   {{{.time1 = "240101/0000",
                      .param = "TMPK",
                      .level1 = 850,
                      .vcoord = gridfile::Vcoord::kPres},
                     v},
                    {{.time1 = "240101/0000",
                      .param = "TMPK",
                      .level1 = 500,
                      .vcoord = gridfile::Vcoord::kPres},
                     v}});
    EXPECT_EQ(grid2grib({path("good.grd"), path("good.grib2"), "--packing", "ieee"}), kExitOk)
        << err_;
    return path("good.grib2");
  }
  // The good file's first message with keys changed.
  Handle changed(const std::vector<std::pair<const char*, long>>& keys) {
    std::vector<Handle> m = read_messages(good_file());
    Handle h = clone(m.at(0).get());
    Keys k(h.get());
    for (const auto& [name, value] : keys) k.set(name, value);
    EXPECT_TRUE(k.status().ok()) << k.status().error().text;
    return h;
  }
  // grib2grid on one message; the output must not exist afterwards.
  void expect_refused(grib_handle* h, const std::string& why, std::vector<std::string> extra = {}) {
    write_messages(path("in.grib2"), {h});
    std::vector<std::string> args{path("in.grib2"), path("out.grd")};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(grib2grid(args), kExitFailed);
    EXPECT_NE(err_.find(why), std::string::npos) << err_;
    EXPECT_NE(err_.find("out.grd not created"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(path("out.grd")));
  }
};

TEST_F(Import, GridsAGridFileCannotHoldAreRefusedWithTheReason) {
  const struct {
    const char* sample;
    const char* why;
  } cases[] = {
      {"regular_gg_sfc_grib2", "a Gaussian grid (regular_gg, template 3.40)"},
      {"reduced_gg_sfc_grib2", "a Gaussian grid (reduced_gg"},
      {"rotated_ll_sfc_grib2",
       "a rotated grid (rotated_ll, template 3.1): a grid file has no "
       "rotated pole"},
      {"sh_sfc_grib2", "spherical harmonics (sh, template 3.50)"},
      {"reduced_ll_sfc_grib2", "a reduced grid (reduced_ll"},
      {"GRIB1", "GRIB edition 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sample);
    Handle h = sample_message(c.sample);
    ASSERT_TRUE(h);
    expect_refused(h.get(), c.why);
    EXPECT_NE(err_.find("message 1: "), std::string::npos) << err_;
  }
  Handle unstructured = sample_message("GRIB2", {{"gridDefinitionTemplateNumber", 101}});
  expect_refused(unstructured.get(), "an unstructured grid");
  Handle by_columns = changed({{"jPointsAreConsecutive", 1}});
  expect_refused(by_columns.get(), "scanning by columns");
}

TEST_F(Import, MessagesNotChosenByNumberArePassedOverEachWithItsReason) {
  std::vector<Handle> good = read_messages(good_file());
  Handle gaussian = sample_message("regular_gg_sfc_grib2");
  write_messages(path("mixed.grib2"), {good[0].get(), gaussian.get(), good[1].get()});
  ASSERT_EQ(grib2grid({path("mixed.grib2"), path("a.grd")}), kExitOk) << err_;
  EXPECT_NE(err_.find("warning: message 2: a Gaussian grid"), std::string::npos) << err_;
  EXPECT_NE(out_.find("grid 2 written: 240101/0000 500 PRES TMPK <- message 3"), std::string::npos)
      << out_;
  // Chosen by number, it refuses the import.
  EXPECT_EQ(grib2grid({path("mixed.grib2"), path("b.grd"), "--message", "2"}), kExitFailed);
  EXPECT_NE(err_.find("message 2: a Gaussian grid"), std::string::npos) << err_;
  EXPECT_FALSE(fs::exists(path("b.grd")));
}

TEST_F(Import, IdentifiersAndProductsWithoutAGridFormAreRefused) {
  Handle pdt8 = changed({{"productDefinitionTemplateNumber", 8}});
  expect_refused(pdt8.get(), "product definition template 4.8");
  Handle hybrid = changed({{"typeOfFirstFixedSurface", 105}});
  expect_refused(hybrid.get(), "fixed surface type 105");
  Handle old = changed({{"dataDate", 19010101}});
  expect_refused(old.get(),
                 "reference year 1901 lies outside the window: years are read in 1950-2049");
  ASSERT_EQ(grib2grid({path("in.grib2"), path("y.grd"), "--first-year", "1900"}), kExitOk) << err_;
  EXPECT_NE(out_.find("010101/0000 850 PRES TMPK"), std::string::npos) << out_;
  Handle unknown =
      changed({{"discipline", 255}, {"parameterCategory", 255}, {"parameterNumber", 1}});
  expect_refused(unknown.get(),
                 "parameter 255.255.1 (unknown) is not in the GRIB2 parameter "
                 "table; add a line for it or name it with --name");
  ASSERT_EQ(grib2grid({path("in.grib2"), path("n.grd"), "--name", "zsfc"}), kExitOk) << err_;
  auto f = GridFile::open(path("n.grd"));
  ASSERT_TRUE(f.ok());
  auto g = f->read(1);
  ASSERT_TRUE(g.ok());
  EXPECT_EQ(g->info.id.param, "ZSFC");
  EXPECT_EQ(g->values[11], 281.0f);
}

TEST_F(Import, OneGridDistinctIdentifiersAndAtMost9999GridsBeforeCreation) {
  std::vector<Handle> good = read_messages(good_file());
  Handle other = changed({{"Ni", 5}});
  write_messages(path("two.grib2"), {good[0].get(), other.get()});
  EXPECT_EQ(grib2grid({path("two.grib2"), path("a.grd")}), kExitFailed);
  EXPECT_NE(err_.find("messages 1 and 2 lie on different grids"), std::string::npos) << err_;

  write_messages(path("twice.grib2"), {good[0].get(), good[0].get()});
  EXPECT_EQ(grib2grid({path("twice.grib2"), path("b.grd")}), kExitFailed);
  EXPECT_NE(err_.find("messages 1 and 2 would both be the grid 240101/0000 850 PRES TMPK"),
            std::string::npos)
      << err_;
  EXPECT_EQ(grib2grid({path("twice.grib2"), path("b.grd"), "--message", "2"}), kExitOk) << err_;

  write_messages(path("many.grib2"), {good[0].get()}, 10000);
  EXPECT_EQ(grib2grid({path("many.grib2"), path("c.grd")}), kExitFailed);
  EXPECT_NE(err_.find("holds 10000 messages: a grid file holds at most 9999 grids"),
            std::string::npos)
      << err_;
  EXPECT_FALSE(fs::exists(path("a.grd")));
  EXPECT_FALSE(fs::exists(path("c.grd")));
  // Only the inputs and the one file written are there: no temporary files.
  EXPECT_EQ(files(), (std::vector<std::string>{"b.grd", "good.grd", "good.grib2", "many.grib2",
                                               "twice.grib2", "two.grib2"}));
}

TEST_F(Import, RowsScannedWestwardAndOtherTimeUnitsAreRead) {
  // The good message scanned from its east end: each row reversed.
  std::vector<Handle> good = read_messages(good_file());
  Handle west = clone(good[0].get());
  Keys k(west.get());
  std::vector<double> v = *k.get_doubles("values");
  for (std::ptrdiff_t row = 0; row < 3; ++row)
    std::reverse(v.begin() + row * 4, v.begin() + row * 4 + 4);
  k.set("iScansNegatively", 1L);
  k.set("longitudeOfFirstGridPoint", 26'000'000L);
  k.set("longitudeOfLastGridPoint", 20'000'000L);
  k.set("values", std::span<const double>(v));
  k.set("indicatorOfUnitOfTimeRange", 2L);  // days
  k.set("forecastTime", 2L);
  k.set("typeOfProcessedData", 1L);
  k.set("typeOfGeneratingProcess", 2L);
  ASSERT_TRUE(k.status().ok()) << k.status().error().text;
  write_messages(path("west.grib2"), {west.get()});
  ASSERT_EQ(grib2grid({path("west.grib2"), path("w.grd"), "--pack", "grib:16"}), kExitOk) << err_;
  auto a = GridFile::open(path("good.grd"));
  auto b = GridFile::open(path("w.grd"));
  ASSERT_TRUE(a.ok() && b.ok());
  EXPECT_EQ(b->navigation(), a->navigation());
  auto ga = a->read(1), gb = b->read(1);
  ASSERT_TRUE(ga.ok() && gb.ok());
  EXPECT_EQ(gb->info.id.time1, "240101/0000F048");
  EXPECT_EQ(gb->info.packing.type, gridfile::PackingType::kGrib);
  for (std::size_t p = 0; p < 12; ++p) EXPECT_NEAR(gb->values[p], ga->values[p], 1e-3) << p;
}

TEST_F(Import, ExistingOutputAndBadPackingAreRefused) {
  const std::string in = good_file();
  { std::ofstream(path("kept.grd")) << "mine"; }
  EXPECT_EQ(grib2grid({in, path("kept.grd")}), kExitFailed);
  EXPECT_NE(err_.find("exists; grib2grid never replaces a file"), std::string::npos) << err_;
  EXPECT_EQ(fs::file_size(path("kept.grd")), 4u);
  EXPECT_EQ(grib2grid({in, path("x.grd"), "--pack", "grib:99"}), kExitUsage);
  EXPECT_EQ(grib2grid({in, path("x.grd"), "--name", "FAR_TOO_LONG_NAME"}), kExitUsage);
  EXPECT_EQ(grib2grid({path("none.grib2"), path("x.grd")}), kExitFailed);
  EXPECT_FALSE(fs::exists(path("x.grd")));
}

// Mutated messages the hostile-input probe (scripts/probe.py) found: ecCodes
// and libaec crash inside the decoding (SIGFPE; a bad free), and a count of
// values that would have been allocated before it was compared.
TEST_F(Import, DamagedMessagesBecomeOneLineAndNoFile) {
  const std::string data = std::string(T2G_SOURCE_DIR) + "/src/grib/testdata/";
  std::vector<std::pair<std::string, std::string>> cases = {
      {"count-3087007824.grib2", "message 1: it holds 3087007824 values for 80 points"}};
#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer reports the libraries' faults itself
  for (const char* name : {"crash-aec-sigfpe.grib2", "crash-aec-free.grib2"}) {
    cases.emplace_back(
        name, "ecCodes failed reading " + data + name + ": the file is damaged or not GRIB2 (SIG");
  }
#endif
  for (const auto& [name, why] : cases) {
    EXPECT_EQ(grib2grid({data + name, path("out.grd")}), kExitFailed) << name;
    EXPECT_NE(err_.find(why), std::string::npos) << err_;
    EXPECT_NE(err_.find("out.grd not created"), std::string::npos) << err_;
    EXPECT_EQ(std::distance(fs::directory_iterator(path("")), fs::directory_iterator()), 0)
        << name << " left a file";
  }
}

// The reading's memory is limited (--memory-limit): a grid of 2000 x 2000
// values needs some 48 MiB while it is decoded, more than the limit leaves.
TEST_F(Import, ReadingBeyondTheMemoryLimitIsOneLineAndNoFile) {
  if (!platform::memory_limit_applies()) GTEST_SKIP() << "no memory limit in this build";
  const Navigation nav{"CED", 2000, 2000, -40, -60, 40, 60, 0, 0, 0};
  make_grid_file(path("big.grd"), nav,
                 {{{.time1 = "261208/0000", .param = "PMSL", .level1 = 0},
                   std::vector<float>(2000 * 2000, 1013.0f)}});
  ASSERT_EQ(grid2grib({path("big.grd"), path("big.grib2"), "--packing", "ieee"}), kExitOk) << err_;
  fs::remove(path("big.grd"));
  // The limit is on the address space: what the process holds already, and 8 MiB.
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0;
  statm >> pages;
  const std::size_t limit =
      pages * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE)) / (1 << 20) + 8;
  EXPECT_EQ(
      grib2grid({path("big.grib2"), path("out.grd"), "--memory-limit", std::to_string(limit)}),
      kExitFailed);
  EXPECT_NE(err_.find("wanted more than " + std::to_string(limit) + " MiB of memory"),
            std::string::npos)
      << err_;
  EXPECT_NE(err_.find("out.grd not created"), std::string::npos) << err_;
  EXPECT_EQ(files(), std::vector<std::string>{"big.grib2"});
  EXPECT_EQ(grib2grid({path("big.grib2"), path("out.grd"), "--memory-limit", "0"}), kExitOk)
      << err_;
  EXPECT_EQ(grib2grid({path("big.grib2"), path("x.grd"), "--timeout", "-1"}), kExitUsage);
}

}  // namespace
}  // namespace grib
