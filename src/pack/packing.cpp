// The --pack grammar.
#include "pack/packing.h"

#include <cctype>
#include <charconv>

namespace pack {
namespace {

std::optional<int> parse_int(std::string_view text) {
  if (text.starts_with('+')) text.remove_prefix(1);
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<Packing> refuse(std::string* problem, std::string text) {
  if (problem != nullptr) *problem = std::move(text);
  return std::nullopt;
}

}  // namespace

std::string Packing::text() const {
  switch (type) {
    case PackingType::kNone:
      return "none";
    case PackingType::kGrib:
      return "grib:" + std::to_string(bits);
    case PackingType::kDiff:
      return "diff:" + std::to_string(bits);
    case PackingType::kDecimal:
      return "dec:" + std::to_string(bits);
  }
  return "type" + std::to_string(static_cast<int>(type)) + ":" + std::to_string(bits);
}

bool Packing::valid() const {
  switch (type) {
    case PackingType::kNone:
      return true;
    case PackingType::kGrib:
    case PackingType::kDiff:
      return bits >= kMinPackingBits && bits <= kMaxPackingBits;
    case PackingType::kDecimal:
      return bits >= -kMaxPackingDigits && bits <= kMaxPackingDigits;
  }
  return false;
}

std::optional<Packing> Packing::from_option(std::string_view text, std::string& complaint) {
  if (text.empty()) return Packing{};
  std::string problem;
  std::optional<Packing> packing = parse(text, &problem);
  if (!packing) complaint = "--pack \"" + std::string(text) + "\": " + problem;
  return packing;
}

std::optional<Packing> Packing::parse(std::string_view text, std::string* problem) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "none") return Packing{};
  const std::size_t colon = lower.find(':');
  const std::string_view kind = std::string_view(lower).substr(0, colon);
  Packing p;
  if (kind == "grib") {
    p.type = PackingType::kGrib;
  } else if (kind == "diff") {
    p.type = PackingType::kDiff;
  } else if (kind == "dec") {
    p.type = PackingType::kDecimal;
  } else {
    return refuse(problem, "use " + std::string(kPackingForms));
  }
  const std::optional<int> n = colon == std::string::npos
                                   ? std::nullopt
                                   : parse_int(std::string_view(lower).substr(colon + 1));
  if (n) p.bits = *n;
  if (!n || !p.valid()) {
    const bool dec = p.type == PackingType::kDecimal;
    return refuse(problem, std::string(dec ? "DIGITS" : "BITS") + " must be a whole number from " +
                               std::to_string(dec ? -kMaxPackingDigits : kMinPackingBits) + " to " +
                               std::to_string(dec ? kMaxPackingDigits : kMaxPackingBits));
  }
  return p;
}

}  // namespace pack
