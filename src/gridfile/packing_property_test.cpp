// The promise of every packing, tested on random grids through the reader:
// each value written comes back within half a step of the grid's packing,
// give or take one unit in the last place of 32-bit reals at the grid's
// largest magnitude (twice that magnitude for differences), at every bit
// count 2-31; or the grid is refused, unwritten, only where the packing truly
// cannot keep it (a range near the largest real; for decimal packing, codes
// beyond 31 bits or a step finer than the values' precision).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "gridfile/gridfile.h"

namespace gridfile {
namespace {

namespace fs = std::filesystem;

constexpr int kNx = 13;
constexpr int kNy = 7;
constexpr float kMax = std::numeric_limits<float>::max();

// Shapes of grid the packers find hard.
enum class Shape {
  kRange,
  kConstantRows,
  kMissingPoints,
  kNearFloatMax,     // one sign, near the largest real: packed
  kNearFloatLimits,  // both signs up to the largest real: a range beyond the reals
  kTinyValues,
};

struct Span {
  double lo = 0, hi = 0;  // of the values that are not missing
};

// One unit in the last place of 32-bit reals of that magnitude.
double resolution_at(double magnitude) {
  int exponent = 0;
  (void)std::frexp(magnitude, &exponent);
  return std::ldexp(1.0, std::max(exponent - 24, -149));
}

Span span_of(const std::vector<float>& v) {
  Span s{std::numeric_limits<double>::max(), -std::numeric_limits<double>::max()};
  for (const float x : v) {
    if (is_missing(x)) continue;
    s.lo = std::min(s.lo, static_cast<double>(x));
    s.hi = std::max(s.hi, static_cast<double>(x));
  }
  return s;
}

class GridMaker {
 public:
  explicit GridMaker(unsigned seed) : gen_(seed) {}

  std::vector<float> make(Shape shape) {
    std::vector<float> v(static_cast<std::size_t>(kNx * kNy));
    switch (shape) {
      case Shape::kRange: {
        // A random centre and width, each over many orders of magnitude.
        const double centre = sign() * std::pow(10.0, uniform(-3.0, 8.0));
        const double width = std::pow(10.0, uniform(-4.0, 9.0));
        for (float& x : v) x = static_cast<float>(centre + width * uniform(-0.5, 0.5));
        break;
      }
      case Shape::kConstantRows:
        // A smooth field whose first and last rows are constant (the poles).
        for (int j = 0; j < kNy; ++j) {
          for (int i = 0; i < kNx; ++i) {
            v[at(i, j)] =
                j == 0 ? 110.0f
                : j == kNy - 1
                    ? -37.25f
                    : static_cast<float>(40.0 * std::sin(i * 0.7 + j) + uniform(-1.0, 1.0));
          }
        }
        break;
      case Shape::kMissingPoints:
        for (float& x : v) x = static_cast<float>(uniform(-50.0, 350.0));
        for (float& x : v) {
          if (uniform(0.0, 1.0) < 0.2) x = kMissing;
        }
        for (int i = 0; i < kNx; ++i) v[at(i, 2)] = kMissing;  // a wholly missing row
        v[0] = kMissing;
        break;
      case Shape::kNearFloatMax: {
        const double sgn = sign();
        for (float& x : v) x = static_cast<float>(sgn * kMax * uniform(0.88, 1.0));
        break;
      }
      case Shape::kNearFloatLimits:
        for (float& x : v) {
          const double pick = uniform(0.0, 1.0);
          x = pick < 0.3   ? static_cast<float>(sign() * kMax * uniform(0.5, 1.0))
              : pick < 0.5 ? static_cast<float>(sign() * 1e38 * uniform(0.0, 1.0))
              : pick < 0.7 ? static_cast<float>(sign() * 1e-38 * uniform(0.0, 1.0))
                           : static_cast<float>(uniform(-1.0, 1.0));
        }
        break;
      case Shape::kTinyValues:
        for (float& x : v) x = static_cast<float>(sign() * 1e-30 * uniform(0.0, 1.0));
        v[3] = std::numeric_limits<float>::denorm_min();
        break;
    }
    return v;
  }

 private:
  static std::size_t at(int i, int j) { return static_cast<std::size_t>(j * kNx + i); }
  double uniform(double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(gen_);
  }
  double sign() { return uniform(0.0, 1.0) < 0.5 ? -1.0 : 1.0; }
  std::mt19937 gen_;
};

class PackingPropertyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // One name per process: ctest runs the cases side by side.
    path_ = (fs::path(::testing::TempDir()) /
             ("packing_property." + std::to_string(::getpid()) + ".grd"))
                .string();
    fs::remove(path_);
    const Navigation nav{"CED", kNx, kNy, -30.0f, 0.0f, 30.0f, 60.0f, 0.0f, 0.0f, 0.0f};
    Result<GridFile> f = GridFile::create(path_, nav);
    ASSERT_TRUE(f) << f.error().text;
    file_.emplace(std::move(f).value());
  }
  void TearDown() override {
    file_.reset();
    fs::remove(path_);
  }

  // Writes the grid and reads it back: every value within half a step, or
  // a refusal that `may_refuse` accepts (given the code, the grid and the
  // step that decimal packing asked for).
  template <class MayRefuse>
  void check(const std::vector<float>& values, Packing packing, MayRefuse may_refuse) {
    const GridId id{.param = "P", .level1 = ++count_, .vcoord = Vcoord::kNone};
    const Status s = file_->write(values, kNx, kNy, id, packing);
    if (!s.ok()) {
      const Span range = span_of(values);
      ASSERT_TRUE(may_refuse(s.error().code, range))
          << packing.text() << " of values " << range.lo << " to " << range.hi << ": "
          << s.error().text;
      ++refused_;
      return;
    }
    const Result<Grid> g = file_->read(id);
    ASSERT_TRUE(g) << g.error().text;
    const Span range = span_of(values);
    const double largest = std::max(std::fabs(range.lo), std::fabs(range.hi));
    const double slack = resolution_at(packing.type == PackingType::kDiff ? 2 * largest : largest);
    const double half = 0.5 * static_cast<double>(g->info.step) + slack;
    for (std::size_t k = 0; k < values.size(); ++k) {
      if (is_missing(values[k])) {
        ASSERT_EQ(g->values[k], kMissing) << packing.text() << " point " << k;
        continue;
      }
      const double error =
          std::fabs(static_cast<double>(g->values[k]) - static_cast<double>(values[k]));
      ASSERT_LE(error, half) << packing.text() << " point " << k << ": " << values[k]
                             << " came back as " << g->values[k] << ", step " << g->info.step;
    }
    ++kept_;
  }

  std::string path_;
  std::optional<GridFile> file_;
  int count_ = 0;
  int kept_ = 0;
  int refused_ = 0;
};

constexpr Shape kShapes[] = {Shape::kRange,        Shape::kConstantRows,    Shape::kMissingPoints,
                             Shape::kNearFloatMax, Shape::kNearFloatLimits, Shape::kTinyValues};

// Only a range near the largest real is beyond every step: over 2^126; for
// differences, which span twice the values' range, over 2^125, or values
// over 2^127, where a coarse step can carry a rebuilt value past the reals.
bool beyond_the_reals(const Span& s, PackingType type = PackingType::kGrib) {
  if (type != PackingType::kDiff) return s.hi - s.lo > std::ldexp(1.0, 126);
  return s.hi - s.lo > std::ldexp(1.0, 125) ||
         std::max(std::fabs(s.lo), std::fabs(s.hi)) > std::ldexp(1.0, 127);
}

TEST_F(PackingPropertyTest, GribAndDiffAtEveryBitCount) {
  GridMaker maker(20261208);
  for (int round = 0; round < 3; ++round) {
    for (const Shape shape : kShapes) {
      const std::vector<float> values = maker.make(shape);
      for (int bits = 2; bits <= 31; ++bits) {
        for (const PackingType type : {PackingType::kGrib, PackingType::kDiff}) {
          check(values, {type, bits},
                [&](int code, const Span& s) { return code == -41 && beyond_the_reals(s, type); });
        }
      }
    }
  }
  EXPECT_EQ(kept_ + refused_, 3 * 6 * 30 * 2);
  EXPECT_GT(kept_, 4 * refused_);
}

TEST_F(PackingPropertyTest, DecimalAtEveryStepThatFits) {
  GridMaker maker(7);
  for (int round = 0; round < 3; ++round) {
    for (const Shape shape : kShapes) {
      const std::vector<float> values = maker.make(shape);
      for (int digits = -38; digits <= 38; digits += 3) {
        const double step = std::pow(10.0, -digits);
        check(values, {PackingType::kDecimal, digits}, [&](int code, const Span& s) {
          // Codes beyond 31 bits; or a step finer than 32-bit reals resolve
          // values of that size (a code carries 24 bits exactly).
          const double size = std::max({std::fabs(s.lo), std::fabs(s.hi), s.hi - s.lo});
          // The range as the format takes it: from the smaller of the least
          // value and 1e31 to the larger of the greatest and -1e31.
          const double range = std::max(s.hi, -1.0e31) - std::min(s.lo, 1.0e31);
          return (code == -41 &&
                  (range / step >= std::ldexp(1.0, 31) - 2 || beyond_the_reals(s))) ||
                 (code == -43 && step < size * std::ldexp(1.0, -21));
        });
      }
    }
  }
  EXPECT_GT(kept_, 0);
}

// No work area caps a packed record: 1000 x 1000 values at 16 bits take
// 500000 words of codes (five times what older readers' work area held),
// and every value comes back within half a step.
TEST(PackedRecordTest, AMillionPointsAtSixteenBits) {
  constexpr int kSide = 1000;
  const std::string path =
      (fs::path(::testing::TempDir()) / ("million." + std::to_string(::getpid()) + ".grd"))
          .string();
  fs::remove(path);
  std::vector<float> values(static_cast<std::size_t>(kSide * kSide));
  for (std::size_t k = 0; k < values.size(); ++k) {
    values[k] = static_cast<float>((k * 7919) % 100000) / 100.0f;
  }
  {
    const Navigation nav{"CED", kSide, kSide, -45.0f, -90.0f, 45.0f, 90.0f, 0.0f, 0.0f, 0.0f};
    Result<GridFile> f = GridFile::create(path, nav);
    ASSERT_TRUE(f) << f.error().text;
    const Status s =
        f->write(values, kSide, kSide,
                 {.time1 = "240101/0000", .param = "T", .level1 = 0, .vcoord = Vcoord::kNone},
                 {PackingType::kGrib, 16});
    ASSERT_TRUE(s) << s.error().text;
  }
  Result<GridFile> f = GridFile::open(path);
  ASSERT_TRUE(f) << f.error().text;
  const Result<Grid> g = f->read(1);
  ASSERT_TRUE(g) << g.error().text;
  EXPECT_EQ(g->info.words, std::size_t{1 + 4 + 6 + kSide * kSide / 2});
  double worst = 0.0;
  for (std::size_t k = 0; k < values.size(); ++k) {
    worst = std::max(worst, std::fabs(static_cast<double>(g->values[k]) - values[k]));
  }
  EXPECT_LE(worst, 0.5 * g->info.step);
  EXPECT_TRUE(check(path)) << check(path).error().text;
  fs::remove(path);
}

TEST_F(PackingPropertyTest, AllMissingIsRefusedWithTheNoValueCode) {
  const std::vector<float> values(static_cast<std::size_t>(kNx * kNy), kMissing);
  for (const Packing p : {Packing{PackingType::kGrib, 8}, Packing{PackingType::kDiff, 8},
                          Packing{PackingType::kDecimal, 2}}) {
    check(values, p, [](int code, const Span&) { return code == -11; });
  }
  EXPECT_EQ(refused_, 3);
}

}  // namespace
}  // namespace gridfile
