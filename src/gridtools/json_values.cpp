#include "gridtools/json_values.h"

#include <charconv>
#include <cmath>

#include "gridtools/describe.h"

namespace gridtools {

nlohmann::json json_real(float value) {
  if (!std::isfinite(value)) return nullptr;
  // The double nearest the float's shortest text: dumped as that text, and
  // read back it rounds to the same float.
  const std::string text = real_text(value);
  double d = 0;
  std::from_chars(text.data(), text.data() + text.size(), d);
  return d;
}

nlohmann::json json_number(double value) {
  if (!std::isfinite(value)) return nullptr;
  return value;
}

}  // namespace gridtools
