// Tests of the unit pool and of file access by unit: creation, existence under
// the accepted name forms, record transfers and sequential opens.
#include "services/fl.h"
#include "services/unit_pool.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "services/test_env.h"
#include "strings/concat.h"
#include "strings/field.h"

namespace {

using services::testing::ScopedCwd;
using services::testing::ScopedEnv;
using services::testing::TempDirectory;

using test_files::write_file;
std::string read_bytes(const std::string& path) {
  return test_files::read_file(path);
}

std::string trimmed(const std::string& field) {
  return std::string(strings::trim_right(field));
}

// "^" and the path of name in dir: a name the file services keep as written.
std::string exact(const TempDirectory& dir, std::string_view name) {
  std::string p(1, '^');
  p += dir / name;
  return p;
}

std::array<int, 10> pool_flags() {
  return services::lunpool.lunuse;
}

class FileServicesTest : public ::testing::Test {
 protected:
  void SetUp() override { services::reset_units(); }
  void TearDown() override {
    for (int lun = 11; lun <= 20; ++lun) platform::close_unit(lun);
    services::reset_units();
  }
  TempDirectory dir_;
};

// --- The unit pool ---------------------------------------------------------

TEST_F(FileServicesTest, PoolHandsOutElevenToTwentyThenRefuses) {
  for (int expected = 11; expected <= 20; ++expected) {
    int lun = 0;
    int iret = 99;
    fl_glun(lun, iret);
    EXPECT_EQ(lun, expected);
    EXPECT_EQ(iret, 0);
  }
  int lun = 0;
  int iret = 0;
  fl_glun(lun, iret);
  EXPECT_EQ(iret, -21);
  EXPECT_EQ(lun, -1);

  services::reset_units();
  fl_glun(lun, iret);
  EXPECT_EQ(lun, 11);
}

TEST_F(FileServicesTest, ReleasedUnitIsReusedLowestFirst) {
  int lun = 0;
  int iret = 0;
  for (int i = 0; i < 3; ++i) fl_glun(lun, iret);
  fl_flun(12, iret);
  EXPECT_EQ(iret, 0);
  fl_glun(lun, iret);
  EXPECT_EQ(lun, 12);
  fl_glun(lun, iret);
  EXPECT_EQ(lun, 14);

  // Numbers outside the pool are ignored, including extreme ones.
  const auto before = pool_flags();
  for (int other : {5, 10, 21, 0, -1, INT32_MIN, INT32_MAX}) fl_flun(other, iret);
  EXPECT_EQ(pool_flags(), before);
}

// --- Creating direct-access files --------------------------------------------

TEST_F(FileServicesTest, CreateLowersNameUnlessLiteral) {
  ScopedEnv dir("T2G_TESTDIR", dir_.path().string());
  int lun = 0;
  int iret = 99;
  fl_dcre("$T2G_TESTDIR/NewGrid.DAT   ", 128, lun, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(lun, 11);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "newgrid.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "NewGrid.DAT"));

  fl_dcre(exact(dir_, "Mixed.Case"), 128, lun, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(lun, 12);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "Mixed.Case"));

  // The name messages show is the one the file was created under.
  EXPECT_EQ(services::creation_name("$T2G_TESTDIR/NewGrid.DAT   "), dir_ / "newgrid.dat");
  EXPECT_EQ(services::creation_name(strings::concat({"^", dir_ / "Mixed.Case", "  "})),
            dir_ / "Mixed.Case");
  EXPECT_EQ(services::creation_name("Runs/T.GRD"), "runs/t.grd");
}

TEST_F(FileServicesTest, CreateRefusesExistingFileAndKeepsPool) {
  const std::string path = dir_ / "taken.dat";
  write_file(path, "keep");
  int lun = 0;
  int iret = 0;
  fl_dcre("^" + path, 128, lun, iret);
  EXPECT_EQ(iret, EEXIST);
  EXPECT_EQ(lun, 0);
  EXPECT_EQ(pool_flags(), (std::array<int, 10>{}));
  EXPECT_EQ(read_bytes(path), "keep");

  // A record length that is no positive byte count fails the same way.
  for (int lrecl : {0, -128, INT32_MAX}) {
    fl_dcre(exact(dir_, "bad.dat"), lrecl, lun, iret);
    EXPECT_EQ(iret, EINVAL) << lrecl;
    EXPECT_EQ(lun, 0);
  }
  EXPECT_EQ(pool_flags(), (std::array<int, 10>{}));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "bad.dat"));
}

TEST_F(FileServicesTest, CreateWithAllUnitsTaken) {
  int lun = 0;
  int iret = 0;
  for (int i = 0; i < 10; ++i) fl_glun(lun, iret);
  fl_dcre(exact(dir_, "none.dat"), 128, lun, iret);
  EXPECT_EQ(iret, -21);
  EXPECT_EQ(lun, -1);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "none.dat"));
}

// --- Record transfers ----------------------------------------------------------

TEST_F(FileServicesTest, RecordsRoundTripAndReopen) {
  const std::string path = dir_ / "records.dat";
  int lun = 0;
  int iret = 0;
  fl_dcre("^" + path, 128, lun, iret);
  ASSERT_EQ(iret, 0);
  std::array<int, 128> out{};
  for (int i = 0; i < 128; ++i) out[static_cast<std::size_t>(i)] = i * 1000 - 7;
  fl_writ(lun, 2, 128, out, iret);
  EXPECT_EQ(iret, 0);

  std::array<int, 128> in{};
  in.fill(-5);
  fl_read(lun, 1, 128, in, iret);  // never written, inside the file
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(in, (std::array<int, 128>{}));
  fl_read(lun, 3, 128, in, iret);  // beyond the end
  EXPECT_EQ(iret, -1);

  fl_clos(lun, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(pool_flags(), (std::array<int, 10>{}));
  EXPECT_EQ(std::filesystem::file_size(path), 2u * 512u);

  // Reopened as an existing file, the record reads back.
  fl_glun(lun, iret);
  ASSERT_EQ(platform::open_direct(lun, path, false, 512), 0);
  fl_rshr(lun, 2, 128, in, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_EQ(in, out);
  fl_clos(lun, iret);
}

TEST_F(FileServicesTest, OneWordWriteToRecordFifty) {
  const std::string path = dir_ / "shared.dat";
  int lun = 0;
  int iret = 0;
  fl_dcre("^" + path, 128, lun, iret);
  ASSERT_EQ(iret, 0);
  const std::array<int, 1> word{0x01020304};
  fl_writ(lun, 50, 1, word, iret);
  EXPECT_EQ(iret, 0);
  fl_clos(lun, iret);

  const std::string bytes = read_bytes(path);
  ASSERT_GE(bytes.size(), 49u * 512u + 4u);
  std::int32_t stored = 0;
  std::memcpy(&stored, bytes.data() + 49 * 512, 4);
  EXPECT_EQ(stored, 0x01020304);
  EXPECT_EQ(bytes.find_first_not_of('\0'), 49u * 512u);
}

TEST_F(FileServicesTest, TransfersThatCannotBeDoneAreRefused) {
  int lun = 0;
  int iret = 0;
  fl_dcre(exact(dir_, "r.dat"), 128, lun, iret);
  ASSERT_EQ(iret, 0);
  std::array<int, 4> small{1, 2, 3, 4};
  fl_writ(lun, 1, 5, small, iret);  // more words than the buffer holds
  EXPECT_EQ(iret, EINVAL);
  fl_writ(lun, 0, 4, small, iret);
  EXPECT_EQ(iret, EINVAL);
  fl_read(lun, 1, -1, small, iret);
  EXPECT_EQ(iret, EINVAL);
  fl_read(lun, 1, 5, small, iret);
  EXPECT_EQ(iret, EINVAL);
  EXPECT_EQ(small, (std::array<int, 4>{1, 2, 3, 4}));

  // A unit with no file open.
  fl_read(19, 1, 4, small, iret);
  EXPECT_EQ(iret, platform::kNotOpen);
  fl_writ(19, 1, 4, small, iret);
  EXPECT_EQ(iret, platform::kNotOpen);
  fl_glun(lun, iret);
  EXPECT_EQ(lun, 12);
  fl_clos(12, iret);  // not open: the status comes back, the unit is still released
  EXPECT_EQ(iret, platform::kNotOpen);
  EXPECT_EQ(services::lunpool.lunuse[1], 0);
}

// --- Existence and sequential opens ----------------------------------------------

TEST_F(FileServicesTest, ExistenceUnderTheThreeNameForms) {
  ScopedEnv dir("T2G_TESTDIR", dir_.path().string());
  write_file(dir_ / "lower.txt", "x\n");
  bool exist = false;
  std::string newfil(80, '#');
  int iret = 99;

  // As given.
  fl_inqr(dir_ / "lower.txt", exist, newfil, iret);
  EXPECT_EQ(iret, 0);
  EXPECT_TRUE(exist);
  EXPECT_EQ(trimmed(newfil), dir_ / "lower.txt");

  // Expanded, then lowered and expanded.
  fl_inqr("$T2G_TESTDIR/lower.txt", exist, newfil, iret);
  EXPECT_TRUE(exist);
  EXPECT_EQ(trimmed(newfil), dir_ / "lower.txt");
  fl_inqr("$t2g_testdir/LOWER.TXT", exist, newfil, iret);
  EXPECT_TRUE(exist);
  EXPECT_EQ(trimmed(newfil), dir_ / "lower.txt");

  // A literal name is not lowered.
  fl_inqr("^$T2G_TESTDIR/LOWER.TXT", exist, newfil, iret);
  EXPECT_FALSE(exist);
  EXPECT_EQ(newfil, std::string(80, ' '));
  fl_inqr("^$T2G_TESTDIR/lower.txt", exist, newfil, iret);
  EXPECT_TRUE(exist);

  // Relative names in the working directory; the found name is cut to the field.
  ScopedCwd cwd(dir_.path());
  std::string narrow(5, '#');
  fl_inqr("LOWER.TXT", exist, narrow, iret);
  EXPECT_TRUE(exist);
  EXPECT_EQ(narrow, "lower");
  fl_inqr("^LOWER.TXT", exist, narrow, iret);
  EXPECT_FALSE(exist);
  EXPECT_EQ(narrow, "     ");
  fl_inqr("        ", exist, narrow, iret);
  EXPECT_FALSE(exist);
  fl_inqr(std::string_view("lower.txt\0zz", 12), exist, narrow, iret);
  EXPECT_FALSE(exist);
  EXPECT_EQ(iret, 0);
}

TEST_F(FileServicesTest, SequentialOpenFindsLowerCaseAndBacksUp) {
  ScopedEnv dir("T2G_TESTDIR", dir_.path().string());
  write_file(dir_ / "text.tbl", "first\nsecond\n");
  int lun = 0;
  int iret = 99;
  fl_sopn("$T2G_TESTDIR/TEXT.TBL", lun, iret);
  ASSERT_EQ(iret, 0);
  EXPECT_EQ(lun, 11);
  std::string line;
  ASSERT_EQ(platform::read_line(lun, line), 0);
  ASSERT_EQ(platform::read_line(lun, line), 0);
  EXPECT_EQ(line, "second");
  fl_bksp(lun, iret);
  EXPECT_EQ(iret, 0);
  ASSERT_EQ(platform::read_line(lun, line), 0);
  EXPECT_EQ(line, "second");
  fl_clos(lun, iret);
  EXPECT_EQ(iret, 0);

  fl_bksp(lun, iret);  // closed now
  EXPECT_NE(iret, 0);
}

TEST_F(FileServicesTest, SequentialOpenOfMissingFileReleasesUnit) {
  int lun = 0;
  int iret = 0;
  fl_sopn(dir_ / "absent.txt", lun, iret);
  EXPECT_EQ(iret, ENOENT);
  EXPECT_EQ(lun, 0);
  EXPECT_EQ(pool_flags(), (std::array<int, 10>{}));

  for (int i = 0; i < 10; ++i) fl_glun(lun, iret);
  write_file(dir_ / "present.txt", "x\n");
  fl_sopn(dir_ / "present.txt", lun, iret);
  EXPECT_EQ(iret, -21);
  EXPECT_EQ(lun, -1);
}

}  // namespace
