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

// Where er_mmsg finds the message files <GROUP>.ERR. By default it searches
// as every table is searched (the working directory first, then $MORERR);
// a program that found the message files shipped with it (or the operator's
// MORERR) names their folder here, so that only they speak for it and a
// stray file where it runs cannot. An empty folder restores the search.
void use_message_folder(std::string_view folder);

}  // namespace services
