// 4-character names as the DM tables keep them.
#include "dm/internal.h"

#include "strings/field.h"

namespace dm {

Name4 to_name4(std::string_view name) {
  Name4 out;
  strings::copy_field(name, out);
  return out;
}

bool name_matches(std::string_view name, const Name4& stored) {
  return strings::compare_padded(name, std::string_view(stored.data(), stored.size())) == 0;
}

}  // namespace dm
