// Where the numbered message lines of er_wmsg go. By default each is written
// to standard output as one line, a blank and then the message, which is what
// text2grid's operators see. A program that embeds the library may route the
// messages elsewhere.
#pragma once

#include <functional>
#include <string_view>

namespace services {

// Receives one message (the "[DM -3] ..." text, without the leading blank).
using MessageSink = std::function<void(std::string_view message)>;
// Route every later er_wmsg message to `sink`; an empty function restores
// standard output.
void set_message_sink(MessageSink sink);

}  // namespace services
