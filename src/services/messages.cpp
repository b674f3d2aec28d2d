// Numbered messages: the text of a group's message number is looked up in the
// table file "$MORERR/<group>.ERR" and written after the prefix "[GROUP n] ".
//
// A message line of the file is "number !text": the number is the line's first
// item as the integer list reader takes it, the text everything after the
// first "!". In the text, "!AS" (first occurrence) takes the caller's context
// string and "!/" becomes a line break. Messages are cut at 128 characters.
#include "services/er.h"

#include <array>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "services/fl.h"
#include "services/message_sink.h"
#include "strings/field.h"
#include "strings/st.h"

namespace {

constexpr std::size_t kMessageWidth = 128;  // a message, and a line of a message file
using MessageField = std::array<char, kMessageWidth>;
constexpr std::size_t kCleanWidth = 160;  // working width of the list reader

constexpr std::string_view kNoGroupPrefix = "[MORLIX";

// Copy `text` into `field` from index `pos` on, blank-padding the rest;
// nothing when `pos` lies beyond the field.
void place(std::span<char> field, std::size_t pos, std::string_view text) {
  if (pos < field.size()) strings::copy_field(text, field.subspan(pos));
}

std::size_t trimmed_length(std::string_view text) {
  return strings::trim_right(text).size();
}

// The number a message line starts with: its first item as the integer list
// reader takes it (other characters than letters, digits and . - + * separate
// items). False when that item is not a number.
bool line_number(std::string_view line, int& number) {
  std::array<char, kCleanWidth> cleaned{};
  int length = 0;
  int ier = 0;
  st_rnan(line, cleaned, length, ier);
  const std::string_view items = strings::trim_right(strings::as_view(cleaned));
  if (items.empty()) return false;
  st_numb(items.substr(0, items.find(' ')), number, ier);
  return ier == 0;
}

// Read the open message file on from its current line to the first line of
// number `msgnum`; its text goes to `text`. kErNotFound at end of file or on a
// read error.
int find_message(int lun, int msgnum, std::string& text) {
  MessageField line{};
  for (;;) {
    if (platform::read_field(lun, line) != platform::kOk) return kErNotFound;
    const std::string_view record = strings::as_view(line);
    int number = 0;
    if (!line_number(record, number) || number != msgnum) continue;
    const std::size_t bang = record.find('!');
    text = bang == std::string_view::npos ? std::string() : std::string(record.substr(bang + 1));
    return 0;
  }
}

// Put the context into the first "!AS" and turn every "!/" into CR LF.
void substitute(MessageField& msg, std::string_view msgstr) {
  const std::string_view current = strings::as_view(msg);
  if (const std::size_t ipos = current.find("!AS"); ipos != std::string_view::npos) {
    std::string joined(current.substr(0, ipos));
    joined += strings::trim_right(msgstr);
    joined += current.substr(ipos + 3);
    strings::copy_field(joined, msg);  // cut at the message width
  }
  for (std::size_t i = 0; i + 1 < msg.size(); ++i) {
    if (msg[i] == '!' && msg[i + 1] == '/') {
      msg[i] = '\r';
      msg[i + 1] = '\n';
      ++i;
    }
  }
}

// The caller's message sink; empty while messages go to standard output.
services::MessageSink& sink_slot() {
  static services::MessageSink sink;
  return sink;
}

std::string& message_folder() {
  static std::string folder;
  return folder;
}

// Opens the message file of a group (as it is named: "DM.ERR"), positioned on
// its first data line; true when it opened.
bool open_message_file(std::string_view group, int& lun) {
  int ier = 0;
  if (message_folder().empty()) {
    std::string table = "$MORERR/";
    table += group;
    table += ".ERR";
    MessageField tabnam{};
    strings::copy_field(table, tabnam);
    fl_tbop(strings::as_view(tabnam), " ", lun, ier);
    return ier == 0;
  }
  // "^": the name exactly as built, no other form of it tried.
  const std::string name = "^" + message_folder() + "/" + std::string(group) + ".ERR";
  fl_sopn(name, lun, ier);
  if (ier != 0) return false;
  fl_tdat(lun, ier);
  if (ier == 0) return true;
  fl_clos(lun, ier);
  lun = 0;
  return false;
}

}  // namespace

void services::use_message_folder(std::string_view folder) {
  message_folder() = std::string(folder);
}

void services::set_message_sink(MessageSink sink) {
  sink_slot() = std::move(sink);
}

void er_mmsg(std::string_view msggrp, int msgnum, std::string_view msgstr, std::span<char> outmsg,
             int& iret) {
  int ier = 0;
  // Prefix "[GROUP", upper case; the file name keeps the group's own case.
  std::string opened = "[";
  opened += msggrp;
  MessageField raw{};
  strings::copy_field(opened, raw);
  std::size_t lent = trimmed_length(strings::as_view(raw));
  MessageField msg{};
  st_lcuc(strings::as_view(raw), msg, ier);

  int lun = 0;
  bool usable = false;
  if (lent == 1) {
    strings::copy_field(kNoGroupPrefix, msg);
    lent = kNoGroupPrefix.size();
  } else {
    usable = open_message_file(strings::as_view(raw).substr(1, lent - 1), lun);
  }

  // " n] " after the group.
  std::array<char, 12> number{};
  st_inch(msgnum, number, ier);
  place(msg, lent, " ");
  place(msg, lent + 1, strings::trim_right(strings::as_view(number)));
  lent = trimmed_length(strings::as_view(msg));
  place(msg, lent, "] ");
  lent += 2;

  std::string text;
  if (!usable) {
    iret = kErNoFile;
  } else {
    iret = find_message(lun, msgnum, text);
    fl_clos(lun, ier);
  }

  if (iret != 0) {
    place(msg, lent, msgstr);  // no text: the context follows the prefix
  } else {
    place(msg, lent, text);
    substitute(msg, msgstr);
  }
  strings::copy_field(strings::as_view(msg), outmsg);
}

void er_wmsg(std::string_view msggrp, int msgnum, std::string_view msgstr, int& iret) {
  iret = 0;
  if (msgnum == 0) return;
  MessageField msg{};
  er_mmsg(msggrp, msgnum, msgstr, msg, iret);
  const std::string_view text = strings::trim_right(strings::as_view(msg));
  if (const services::MessageSink& sink = sink_slot()) {
    sink(text);
    return;
  }
  std::string line = " ";
  line += text;
  platform::write_line(line);
}
