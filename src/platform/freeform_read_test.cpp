// Free-form reads: item forms, separators, reads over several lines, the
// discarded rest of a line, bad items and the end of input.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/platform_test.h"

namespace {

using platform::ReadItem;
constexpr int kIn = platform::kStdinUnit;

class FreeformReadTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::testing::reset_stdin(); }
};

std::string field_text(const std::array<char, 3>& f) {
  return {f.data(), f.size()};
}

TEST_F(FreeformReadTest, ItemsOverSeveralLinesAndTheRestDiscarded) {
  platform::testing::set_stdin(
      "  12,\t-7\n"
      "\n"
      "   \n"
      "2.5e1 , 'a b' 99 extra\n"
      "next line\n");
  int i1 = 0;
  int i2 = 0;
  float r = 0;
  std::array<char, 3> text{};
  int i3 = 0;
  const std::array items{ReadItem::integer(i1), ReadItem::integer(i2), ReadItem::real(r),
                         ReadItem::chars(text), ReadItem::integer(i3)};
  ASSERT_EQ(platform::read_list(kIn, items), platform::kOk);
  EXPECT_EQ(i1, 12);
  EXPECT_EQ(i2, -7);
  EXPECT_EQ(r, 25.0f);
  EXPECT_EQ(field_text(text), "a b");
  EXPECT_EQ(i3, 99);
  std::string line;
  ASSERT_EQ(platform::read_line(kIn, line), platform::kOk);
  EXPECT_EQ(line, "next line");
}

TEST_F(FreeformReadTest, RealForms) {
  platform::testing::set_stdin(
      "1\n1.5\n-2.5e3\n1D2\n3d-1\n.5\n5.\n+7\n-0.25E+1\n1e50\n-1e-50\n1e-40\nInf\n-nan\n");
  const float expected[] = {1.0f,
                            1.5f,
                            -2500.0f,
                            100.0f,
                            0.3f,
                            0.5f,
                            5.0f,
                            7.0f,
                            -2.5f,
                            std::numeric_limits<float>::infinity(),
                            -0.0f,
                            1e-40f,
                            std::numeric_limits<float>::infinity()};
  for (const float want : expected) {
    float v = 42.0f;
    ASSERT_EQ(platform::read_real(kIn, v), platform::kOk) << want;
    EXPECT_EQ(v, want);
    EXPECT_EQ(std::signbit(v), std::signbit(want)) << want;
  }
  float v = 0.0f;
  ASSERT_EQ(platform::read_real(kIn, v), platform::kOk);
  EXPECT_TRUE(std::isnan(v));
  EXPECT_EQ(platform::read_real(kIn, v), platform::kEndOfFile);
}

// Plain decimals take a shortcut past std::from_chars; both must agree on
// every value, rounding included.
TEST_F(FreeformReadTest, PlainDecimalsRoundLikeFromChars) {
  std::vector<std::string> texts = {"16777216",      "16777217", "16777215.5",  "0.0000000001",
                                    "1.23456789012", "-0.0",     "000123.4500", "9999999.9",
                                    "0.1",           "0.3",      "3.4028235",   "8388608.5"};
  std::mt19937 gen(7);
  for (int k = 0; k < 20000; ++k) {
    const std::size_t digits = gen() % 9 + 1;
    std::string t = std::to_string(gen() % 1000000000u + 1000000000u).substr(1).substr(0, digits);
    // Single characters inserted as characters: g++ 12 at -O3 takes the
    // text-insert path for a false -Wrestrict.
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(gen() % (t.size() + 1)), '.');
    if (gen() % 2 != 0) t.insert(t.begin(), '-');
    texts.push_back(t);
  }
  std::string input;
  for (const std::string& t : texts) input += t + "\n";
  platform::testing::set_stdin(input);
  for (const std::string& t : texts) {
    float want = 0.0f;
    const char* first = t.data() + (t[0] == '-' ? 1 : 0);
    std::from_chars(first, t.data() + t.size(), want);
    if (t[0] == '-') want = -want;
    float got = 1.0f;
    ASSERT_EQ(platform::read_real(kIn, got), platform::kOk) << t;
    ASSERT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(want)) << t;
  }
}

TEST_F(FreeformReadTest, OneValuePerReadSkipsEmptyLines) {
  platform::testing::set_stdin("5.0 6.0\n\n\t\n7,8\n");
  float v = 0.0f;
  ASSERT_EQ(platform::read_real(kIn, v), platform::kOk);
  EXPECT_EQ(v, 5.0f);
  ASSERT_EQ(platform::read_real(kIn, v), platform::kOk);
  EXPECT_EQ(v, 7.0f);
  EXPECT_EQ(platform::read_real(kIn, v), platform::kEndOfFile);
}

TEST_F(FreeformReadTest, BadItemsReportTheirText) {
  platform::testing::set_stdin("abc\n5.0\n99999999999\n+-3\n1.2.3\n1e\n12x\n3,x\n");
  int i = 0;
  float r = 0.0f;
  std::string bad;
  const std::array one_int{ReadItem::integer(i)};
  EXPECT_EQ(platform::read_list(kIn, one_int, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "abc");
  EXPECT_EQ(platform::read_list(kIn, one_int, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "5.0");
  EXPECT_EQ(platform::read_list(kIn, one_int, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "99999999999");
  EXPECT_EQ(platform::read_list(kIn, one_int, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "+-3");
  EXPECT_EQ(platform::read_real(kIn, r, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "1.2.3");
  r = 8.0f;
  EXPECT_EQ(platform::read_real(kIn, r, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "1e");
  EXPECT_EQ(r, 8.0f);
  EXPECT_EQ(platform::read_real(kIn, r, &bad), platform::kBadItem);
  EXPECT_EQ(bad, "12x");
  int j = 0;
  const std::array two{ReadItem::integer(i), ReadItem::integer(j)};
  EXPECT_EQ(platform::read_list(kIn, two, &bad), platform::kBadItem);
  EXPECT_EQ(i, 3);  // items before the bad one are stored
  EXPECT_EQ(bad, "x");
}

TEST_F(FreeformReadTest, TextItemsAndTheEndOfInput) {
  platform::testing::set_stdin(
      "CED\n"
      "lambert\n"
      "'L'\n"
      "\"it''s\" 'don''t'\n"
      "\n"
      "2\n"
      "3 ");
  std::array<char, 3> proj{};
  const std::array one_text{ReadItem::chars(proj)};
  ASSERT_EQ(platform::read_list(kIn, one_text), platform::kOk);
  EXPECT_EQ(field_text(proj), "CED");
  ASSERT_EQ(platform::read_list(kIn, one_text), platform::kOk);
  EXPECT_EQ(field_text(proj), "lam");
  ASSERT_EQ(platform::read_list(kIn, one_text), platform::kOk);
  EXPECT_EQ(field_text(proj), "L  ");
  std::array<char, 3> second{};
  const std::array two_texts{ReadItem::chars(proj), ReadItem::chars(second)};
  ASSERT_EQ(platform::read_list(kIn, two_texts), platform::kOk);
  EXPECT_EQ(field_text(proj), "it'");
  EXPECT_EQ(field_text(second), "don");

  // A read of no items takes one line, even an empty one.
  ASSERT_EQ(platform::read_list(kIn, {}), platform::kOk);
  EXPECT_EQ(platform::line_number(kIn), 5);
  int a = 0;
  int b = 0;
  int c = 0;
  const std::array three{ReadItem::integer(a), ReadItem::integer(b), ReadItem::integer(c)};
  EXPECT_EQ(platform::read_list(kIn, three), platform::kEndOfFile);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(platform::read_list(kIn, {}), platform::kEndOfFile);
}

TEST_F(FreeformReadTest, ValuesFromATextFileUnit) {
  const std::string path = ::testing::TempDir() + "freeform_read_values.txt";
  std::ofstream(path) << "1.25\r\n\n-3 4\n  7e-1\n";
  constexpr int kLun = 9;
  ASSERT_EQ(platform::open_sequential(kLun, path), platform::kOk);
  float v = 0.0f;
  for (const float want : {1.25f, -3.0f, 0.7f}) {
    ASSERT_EQ(platform::read_real(kLun, v), platform::kOk);
    EXPECT_EQ(v, want);
  }
  EXPECT_EQ(platform::line_number(kLun), 4);
  EXPECT_EQ(platform::read_real(kLun, v), platform::kEndOfFile);
  platform::close_unit(kLun);
  std::remove(path.c_str());

  EXPECT_EQ(platform::read_real(kLun, v), platform::kNotOpen);
  EXPECT_EQ(platform::read_real(platform::kStdoutUnit, v), platform::kWrongAccess);
}

// read_reals is n reads of one real: the same values, statuses, bad texts,
// line numbers and further-items flags as read_real, whatever the chunks and
// whatever mix of lines the one-pass path takes and the general reader takes;
// it returns early after a value with further items or not finite, and only
// then.
TEST_F(FreeformReadTest, ReadRealsIsOneReadPerValue) {
  const std::vector<std::string> lines = {
      "1.5",    "",      "  2.5 , 9", "\t\r", "3e1\r", "-0",      "Inf",   "4,", "  ,7",
      "1d-3 x", "5\r\r", "+.25",      "12x",  "6\t7",  "\r",      "nan",   "8",  "1e400",
      "9e-50",  "x y",   "-1E+2",     "\r\r", "0.1",   "  10   ", "1.2.3", "11", "12 \r"};
  std::mt19937 gen(5);
  std::string input;
  for (int k = 0; k < 3000; ++k) input += lines[gen() % lines.size()] + "\n";
  input += "13";  // a last line without LF

  struct Step {
    int status;
    std::uint32_t bits;
    std::string bad;
    int line;
    bool more;
  };
  std::vector<Step> one_by_one;
  platform::testing::set_stdin(input);
  for (;;) {
    float v = -1.0f;
    std::string bad;
    const int status = platform::read_real(kIn, v, &bad);
    one_by_one.push_back({status, std::bit_cast<std::uint32_t>(v), bad, platform::line_number(kIn),
                          platform::more_items_on_line(kIn)});
    if (status == platform::kEndOfFile) break;
  }

  platform::testing::set_stdin(input);
  std::size_t k = 0;
  while (k < one_by_one.size()) {
    std::vector<float> values(gen() % 40 + 1, -1.0f);
    std::size_t count = 99;
    std::string bad;
    const int status = platform::read_reals(kIn, values, count, &bad);
    ASSERT_LE(count, values.size());
    for (std::size_t i = 0; i < count; ++i, ++k) {
      ASSERT_EQ(one_by_one[k].status, platform::kOk) << k;
      ASSERT_EQ(std::bit_cast<std::uint32_t>(values[i]), one_by_one[k].bits) << k;
      const bool worth_a_look = one_by_one[k].more || !std::isfinite(values[i]);
      if (i + 1 < count) {
        ASSERT_FALSE(worth_a_look) << k;
      } else if (status == platform::kOk) {
        ASSERT_TRUE(worth_a_look || count == values.size()) << k;
        EXPECT_EQ(platform::more_items_on_line(kIn), one_by_one[k].more) << k;
        EXPECT_EQ(platform::line_number(kIn), one_by_one[k].line) << k;
      }
    }
    if (status == platform::kOk) continue;
    ASSERT_EQ(status, one_by_one[k].status) << k;
    EXPECT_EQ(platform::line_number(kIn), one_by_one[k].line) << k;
    if (status == platform::kBadItem) {
      EXPECT_EQ(bad, one_by_one[k].bad) << k;
    }
    ++k;
  }
  EXPECT_EQ(one_by_one.back().line, 3001);
}

TEST_F(FreeformReadTest, ReadRealsStopsAtTheReadThatFails) {
  platform::testing::set_stdin("1\n\n2\nx1\n4\n5");
  std::array<float, 4> values{};
  std::size_t count = 0;
  std::string bad;
  EXPECT_EQ(platform::read_reals(kIn, values, count, &bad), platform::kBadItem);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(values[0], 1.0f);
  EXPECT_EQ(values[1], 2.0f);
  EXPECT_EQ(bad, "x1");
  EXPECT_EQ(platform::line_number(kIn), 4);
  EXPECT_EQ(platform::read_reals(kIn, values, count, &bad), platform::kEndOfFile);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(values[1], 5.0f);
  EXPECT_EQ(platform::line_number(kIn), 6);
  EXPECT_EQ(platform::read_reals(kIn, std::span<float>(), count), platform::kOk);
  EXPECT_EQ(count, 0u);
}

// Values read from a file of several buffers: lines that cross a refill go
// through the general reader, the line numbers stay exact, and backspace
// steps back over the line of the value last read.
TEST_F(FreeformReadTest, ValuesAcrossBufferRefills) {
  const std::string path = ::testing::TempDir() + "freeform_read_refills.txt";
  std::vector<float> expected;
  std::string text;
  for (int k = 0; text.size() < (5u << 19); ++k) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", 200.0 + k * 0.000119);
    expected.push_back(std::strtof(buf, nullptr));
    text += std::string(static_cast<std::size_t>(k % 5), ' ') + buf + (k % 3 == 0 ? "\r\n" : "\n");
    if (k % 1000 == 0) text += "\n";
  }
  std::ofstream(path, std::ios::binary) << text;
  constexpr int kLun = 9;
  ASSERT_EQ(platform::open_sequential(kLun, path), platform::kOk);
  std::vector<float> got(expected.size() - 1);
  std::size_t count = 0;
  ASSERT_EQ(platform::read_reals(kLun, got, count), platform::kOk);
  ASSERT_EQ(count, got.size());
  for (std::size_t k = 0; k < got.size(); ++k) ASSERT_EQ(got[k], expected[k]) << k;
  const int lines_before_last = platform::line_number(kLun);
  EXPECT_EQ(lines_before_last, static_cast<int>(got.size() + (got.size() - 1) / 1000 + 1));
  ASSERT_EQ(platform::backspace(kLun), platform::kOk);
  std::string line;
  ASSERT_EQ(platform::read_line(kLun, line), platform::kOk);
  EXPECT_EQ(std::strtof(line.c_str(), nullptr), expected[got.size() - 1]);
  float last = 0.0f;
  ASSERT_EQ(platform::read_real(kLun, last), platform::kOk);
  EXPECT_EQ(last, expected.back());
  EXPECT_EQ(platform::read_real(kLun, last), platform::kEndOfFile);
  platform::close_unit(kLun);
  std::remove(path.c_str());
}

// Whether the line a value came from held more items: the warning of the
// converter about dropped values rests on it.
TEST_F(FreeformReadTest, MoreItemsOnTheLineOfTheLastRead) {
  platform::testing::set_stdin("1 99\n2\n1,5\n3  \t,\n-4e1 x\n7\n\n8 9\n");
  float v = 0.0f;
  const std::vector<std::pair<float, bool>> expected = {
      {1.0f, true}, {2.0f, false}, {1.0f, true}, {3.0f, false}, {-40.0f, true}, {7.0f, false}};
  for (const auto& [value, more] : expected) {
    ASSERT_EQ(platform::read_real(kIn, v), platform::kOk);
    EXPECT_EQ(v, value);
    EXPECT_EQ(platform::more_items_on_line(kIn), more) << value;
  }
  int a = 0;
  const std::array one{ReadItem::integer(a)};
  ASSERT_EQ(platform::read_list(kIn, one), platform::kOk);
  EXPECT_EQ(a, 8);
  EXPECT_TRUE(platform::more_items_on_line(kIn));
  platform::testing::set_stdin("4 5\n");
  int b = 0;
  const std::array two{ReadItem::integer(a), ReadItem::integer(b)};
  ASSERT_EQ(platform::read_list(kIn, two), platform::kOk);
  EXPECT_FALSE(platform::more_items_on_line(kIn));
}

}  // namespace
