// The library's message lines: to the caller's sink, or standard output by
// default, and meanwhile into the capture of a failing call's Error.
#include "gridfile/gridfile.h"

#include <utility>

#include "gridfile/internal.h"
#include "platform/platform.h"
#include "services/message_sink.h"
#include "strings/concat.h"

namespace gridfile {
namespace {

MessageSink& user_sink() {
  static MessageSink sink;
  return sink;
}

std::vector<std::string>*& capture_target() {
  static std::vector<std::string>* target = nullptr;
  return target;
}

void dispatch(std::string_view message) {
  if (std::vector<std::string>* target = capture_target()) target->emplace_back(message);
  if (const MessageSink& sink = user_sink()) {
    sink(message);
  } else {
    platform::write_line(strings::concat({" ", message}));  // as er_wmsg writes it
  }
}

// The services route through dispatch only while someone listens: a sink or
// a capture. Otherwise their own default is left in place.
void update_route() {
  if (user_sink() || capture_target() != nullptr) {
    services::set_message_sink(dispatch);
  } else {
    services::set_message_sink({});
  }
}

}  // namespace

void set_message_sink(MessageSink sink) {
  user_sink() = std::move(sink);
  update_route();
}

namespace detail {

MessageCapture::MessageCapture() : outer_(capture_target()) {
  capture_target() = &lines_;
  update_route();
}

MessageCapture::~MessageCapture() {
  if (outer_ != nullptr) outer_->insert(outer_->end(), lines_.begin(), lines_.end());
  capture_target() = outer_;
  update_route();
}

}  // namespace detail
}  // namespace gridfile
