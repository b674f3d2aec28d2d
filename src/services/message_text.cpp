#include "services/message_text.h"

#include <array>

#include "services/er.h"
#include "strings/field.h"

namespace services {

std::string message_text(std::string_view group, int code, std::string_view context,
                         bool always_name) {
  // A one-character mark holds the context's place while er_mmsg cuts.
  constexpr char kMark = '\x01';
  std::array<char, 128> msg{};
  int ier = 0;
  er_mmsg(group, code, std::string_view(&kMark, 1), msg, ier);
  std::string text(strings::trim_right(strings::as_view(msg)));
  // The message files put a blank after the "!" that opens each text.
  if (const std::size_t at = text.find("]  "); at != std::string::npos) text.erase(at + 1, 1);
  if (const std::size_t at = text.find(kMark); at != std::string::npos) {
    text.replace(at, 1, context);
  } else if (always_name && !context.empty()) {
    text += ": ";
    text += context;
  }
  return text;
}

}  // namespace services
