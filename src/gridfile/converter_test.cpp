// The bundled example written twice: by the text2grid program from its
// answers, and through GridFile with the same grids. The files must be the
// same, byte for byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"

namespace gridfile {
namespace {

namespace fs = std::filesystem;

std::vector<char> bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ConverterTest, BundledExampleIsByteIdenticalToText2grid) {
  const fs::path dir = fs::path(::testing::TempDir()) / "gridfile_converter";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path examples = fs::path(T2G_SOURCE_DIR) / "examples";
  fs::copy_file(examples / "input.txt", dir / "input.txt");
  // The example's answers, with the files in the scratch folder.
  std::ifstream answers_in(examples / "answers.txt");
  std::ofstream answers_out(dir / "answers.txt");
  std::string line;
  for (int n = 1; std::getline(answers_in, line); ++n) {
    if (n == 3) line = "input.txt";
    if (n == 4) line = "text2grid.grd";
    answers_out << line << '\n';
  }
  answers_out.close();
  const std::string command =
      "cd '" + dir.string() + "' && '" + TEXT2GRID_PATH + "' < answers.txt > out.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);

  // The same grids: two times; TMPK on 850, 700, 500 hPa, then PMSL; each
  // grid of the input from its top row down.
  constexpr std::size_t nx = 8, ny = 6;
  std::ifstream input(dir / "input.txt");
  {
    Result<GridFile> f =
        GridFile::create((dir / "api.grd").string(),
                         Navigation{"CED", 8, 6, 30.0f, -100.0f, 37.5f, -86.0f, 0.0f, 0.0f, 0.0f});
    ASSERT_TRUE(f) << f.error().text;
    for (const char* time : {"910823/1200", "910824/0000"}) {
      const std::vector<GridId> ids = {
          {.time1 = time, .param = "TMPK", .level1 = 850, .vcoord = Vcoord::kPres},
          {.time1 = time, .param = "TMPK", .level1 = 700, .vcoord = Vcoord::kPres},
          {.time1 = time, .param = "TMPK", .level1 = 500, .vcoord = Vcoord::kPres},
          {.time1 = time, .param = "PMSL", .level1 = 0, .vcoord = Vcoord::kNone}};
      for (const GridId& id : ids) {
        std::vector<float> values(nx * ny);
        for (std::size_t j = ny; j >= 1; --j) {
          for (std::size_t i = 1; i <= nx; ++i)
            ASSERT_TRUE(input >> values[(j - 1) * nx + (i - 1)]);
        }
        Status s = f->write(values, static_cast<int>(nx), static_cast<int>(ny), id);
        ASSERT_TRUE(s) << s.error().text;
      }
    }
  }
  const std::vector<char> expected = bytes(dir / "text2grid.grd");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(bytes(dir / "api.grd"), expected);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace gridfile
