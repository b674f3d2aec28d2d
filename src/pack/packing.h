// A grid packing request as every program names it: the one `--pack`
// grammar, "none", "grib:BITS", "diff:BITS" or "dec:DIGITS".
//   grib:BITS   GRIB style, BITS (2-31) bits per value, a power-of-two step
//   diff:BITS   differences along the rows, BITS (2-31) bits each
//   dec:DIGITS  GRIB style with the step 10^-DIGITS, DIGITS -38 to 38: the
//               range in which the step and its reciprocal are both non-zero,
//               finite 32-bit reals; the bit count follows from each grid
// The kind may be written in any case; the number is a whole decimal number,
// optionally signed. Whether a grid's values fit is decided grid by grid.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pack {

// The packing types of the grid data record (decimal is stored as GRIB).
enum class PackingType { kNone = 0, kGrib = 1, kDecimal = 4, kDiff = 3 };

inline constexpr int kMinPackingBits = 2;
inline constexpr int kMaxPackingBits = 31;
inline constexpr int kMaxPackingDigits = 38;
// The grammar, for usage texts and messages.
inline constexpr std::string_view kPackingForms = "none, grib:BITS, diff:BITS or dec:DIGITS";

struct Packing {
  PackingType type = PackingType::kNone;
  int bits = 0;  // bits per value (kDecimal: decimal digits kept)

  // The packing type handed to gd_wpgd: 0, 1, 3 or 4.
  int ipktyp() const { return static_cast<int>(type); }
  // "none", "grib:12", "diff:12", "dec:2".
  std::string text() const;
  // Whether the bits (or digits) lie in the type's range.
  bool valid() const;
  // The request named by `text`; nullopt when malformed or out of range,
  // with `problem` (when given) saying why.
  static std::optional<Packing> parse(std::string_view text, std::string* problem = nullptr);
  // The value of a --pack option, empty when the option was not given (no
  // packing); nullopt, with `complaint` naming the option and its text, when
  // parse() refuses it.
  static std::optional<Packing> from_option(std::string_view text, std::string& complaint);
  friend bool operator==(const Packing&, const Packing&) = default;
};

}  // namespace pack
