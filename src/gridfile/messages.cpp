// The library's message lines: into the capture of a failing call's Error,
// and to the caller's sink when there is one (nowhere else by default). And
// the message files the library words its errors with.
#include "gridfile/gridfile.h"

#include <utility>

#include "gridfile/internal.h"
#include "platform/platform.h"
#include "services/message_sink.h"
#include "services/shipped_files.h"

// A build that does not say where the message files lie (the fuzz build)
// finds them through MORERR alone.
#ifndef T2G_PROGRAM_TO_ERRDIR
#define T2G_PROGRAM_TO_ERRDIR ""
#endif
#ifndef T2G_INSTALL_ERRDIR
#define T2G_INSTALL_ERRDIR ""
#endif
#ifndef T2G_BUILD_ERRDIR
#define T2G_BUILD_ERRDIR ""
#endif

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
  if (const MessageSink& sink = user_sink()) sink(message);
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

namespace {
std::string& consumer_message_folder() {
  static std::string folder;
  return folder;
}
}  // namespace

bool register_message_folder(const char* folder) {
  if (folder != nullptr && consumer_message_folder().empty()) consumer_message_folder() = folder;
  return true;
}

void use_package_message_files() {
  static bool done = false;
  if (done) return;
  done = true;
  if (platform::get_env("MORERR").has_value()) return;  // the operator's choice wins
  // The folder a consumer's build named (the package's, wherever it now
  // lies), the one beside an installed program, the one installed, the
  // source tree's.
  const std::string& named = consumer_message_folder();
  if (!named.empty() && platform::file_exists(named + "/DM.ERR")) {
    platform::set_env("MORERR", named);
    return;
  }
  services::use_shipped_message_files(
      {T2G_PROGRAM_TO_ERRDIR, T2G_INSTALL_ERRDIR, T2G_BUILD_ERRDIR});
}

MessageCapture::MessageCapture() : outer_(capture_target()) {
  use_package_message_files();
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
