// The text of a numbered message as the message files word it, for a caller
// that reports it itself instead of letting er_wmsg print it.
#pragma once

#include <string>
#include <string_view>

namespace services {

// "[GD -10] A grid with this identifier is already in the file (not
// replaced): t.grd": the prefix, one blank, the text with `context` in its
// place (after the 128-character cut of messages, so the context is never
// cut). A text without a place for it ends without it, or with ": " and the
// context when `always_name` is set.
std::string message_text(std::string_view group, int code, std::string_view context,
                         bool always_name = false);

}  // namespace services
