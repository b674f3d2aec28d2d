// Real texts read by the value reader round exactly as std::from_chars does:
// decimals of any length, exponent forms (E, e, D, d) and texts lying next to
// the halfway point between two floats, where a conversion through double
// would round twice.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

constexpr int kIn = platform::kStdinUnit;

class RealTextTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::testing::reset_stdin(); }
};

// The float std::from_chars gives for a text of the reader's real forms;
// false when the text is not whole or lies outside the float range.
bool from_chars_value(std::string text, float& value) {
  for (char& c : text) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  const bool negative = text[0] == '-';
  const char* first = text.data() + (text[0] == '-' || text[0] == '+' ? 1 : 0);
  float v = 0.0f;
  const auto [ptr, ec] = std::from_chars(first, text.data() + text.size(), v);
  value = negative ? -v : v;
  return ptr == text.data() + text.size() && ec == std::errc{};
}

// Reads every text through read_real (one per line) and compares bit for bit.
void expect_rounded_like_from_chars(const std::vector<std::string>& texts) {
  std::string input;
  for (const std::string& t : texts) input += t + "\n";
  platform::testing::set_stdin(input);
  for (const std::string& t : texts) {
    float want = 0.0f;
    ASSERT_TRUE(from_chars_value(t, want)) << t;
    float got = 1.0f;
    ASSERT_EQ(platform::read_real(kIn, got), platform::kOk) << t;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(want)) << t;
  }
  float v = 0.0f;
  EXPECT_EQ(platform::read_real(kIn, v), platform::kEndOfFile);
}

std::string digits(std::mt19937& gen, std::size_t n) {
  std::string s;
  for (std::size_t k = 0; k < n; ++k) s += static_cast<char>('0' + gen() % 10);
  return s;
}

TEST_F(RealTextTest, DecimalsAndExponentFormsOfEveryLength) {
  std::vector<std::string> texts = {"286.928447",
                                    "2.869284e+02",
                                    "1D2",
                                    "-3d-1",
                                    "9007199254740992",
                                    "9007199254740993",
                                    "0.00000000000000000001",
                                    "1e22",
                                    "1e23",
                                    "1e-22",
                                    "1e-23",
                                    "123456789012345678901234567890",
                                    "4.2E+000007",
                                    "0e99999",
                                    "-0e-99999",
                                    "+.5e1",
                                    "5.e-1",
                                    "1E38",
                                    "3.4028234e38",
                                    "1.17549435e-38",
                                    "0000000000000000000001.5"};
  std::mt19937 gen(2026);
  const char* letters = "eEdD";
  for (int k = 0; k < 40000; ++k) {
    std::string t = digits(gen, gen() % 22 + 1);
    if (gen() % 4 != 0) t.insert(gen() % (t.size() + 1), 1, '.');
    if (gen() % 3 == 0) t.insert(0, 1, gen() % 2 != 0 ? '-' : '+');
    if (gen() % 2 != 0) {
      t += letters[gen() % 4];
      const int e = static_cast<int>(gen() % 61) - 30;
      if (e >= 0 && gen() % 2 != 0) t += '+';
      t += std::to_string(e);
    }
    float v = 0.0f;
    if (from_chars_value(t, v)) texts.push_back(t);  // tiny and huge values elsewhere
  }
  expect_rounded_like_from_chars(texts);
}

// Texts of 6 to 20 significant digits written next to, and exactly at, the
// halfway point between neighbouring floats.
TEST_F(RealTextTest, TextsNextToTheHalfwayPointBetweenFloats) {
  std::vector<std::string> texts = {"16777217", "16777219", "-16777217.0",
                                    "1.00000005960464477539"};
  std::mt19937 gen(11);
  std::uniform_real_distribution<double> exponent(-20.0, 30.0);
  for (int k = 0; k < 20000; ++k) {
    const auto f = static_cast<float>(std::pow(10.0, exponent(gen)));
    const double halfway =
        (static_cast<double>(f) + static_cast<double>(std::nextafter(f, 2.0f * f))) / 2.0;
    char buf[64];
    for (const int precision : {6, 9, 12, 15, 16, 17, 20}) {
      std::snprintf(buf, sizeof buf, "%.*g", precision, halfway);
      texts.emplace_back(buf);
      std::snprintf(buf, sizeof buf, "%.*e", precision - 1, halfway);
      texts.emplace_back(buf);
    }
  }
  expect_rounded_like_from_chars(texts);
}

}  // namespace
