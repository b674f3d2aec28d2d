// Translation of I/O statuses into file-service return codes. The platform's
// own statuses pass through unchanged; three older operating systems, named by
// the environment symbol OS (and OS_VER for IRIX), have tables of their own.
#include "services/ss.h"

#include <array>
#include <span>

#include "strings/field.h"

namespace {

struct Translation {
  int status;
  int code;
};

constexpr Translation kHpux[] = {{904, -9}, {908, -3}, {117, -5}, {918, -5},
                                 {920, -6}, {922, -2}, {956, -7}};
// Matched after statuses 100..127 have been raised by 900.
constexpr Translation kSunos[] = {{-1, -2}, {13, -8}, {1003, -9}, {1017, -5}, {1018, -1}};
constexpr Translation kIrix[] = {{2, -1},   {13, -3},  {27, -2}, {102, -9},
                                 {104, -9}, {126, -5}, {160, -4}};
constexpr Translation kIrix5[] = {{-1, -7},  {168, -7}, {2, -1},    {13, -3}, {28, -4},
                                  {102, -9}, {103, -9}, {110, -10}, {126, -5}};

// The code of `key` in `table`, or `fallback` when the table does not list it.
int translate(std::span<const Translation> table, int key, int fallback) {
  for (const Translation& t : table) {
    if (t.status == key) return t.code;
  }
  return fallback;
}

// Value of an environment symbol without trailing blanks (blank when not set).
std::string_view symbol_value(std::string_view name, std::array<char, 32>& field) {
  int ier = 0;
  ss_gsym(name, field, ier);
  return strings::trim_right(strings::as_view(field));
}

}  // namespace

void ss_iret(int iostat, int& iret, int& ier) {
  iret = iostat;
  ier = 0;
  if (iostat == 0) return;

  std::array<char, 32> osfield{};
  const std::string_view os = symbol_value("OS", osfield);
  if (os == "HPUX") {
    iret = translate(kHpux, iostat, iostat);
  } else if (os == "SunOS") {
    const int key = (iostat >= 100 && iostat <= 127) ? iostat + 900 : iostat;
    iret = translate(kSunos, key, iostat);
  } else if (os == "IRIX") {
    std::array<char, 32> verfield{};
    const std::string_view version = symbol_value("OS_VER", verfield);
    if (version.empty()) {
      iret = translate(kIrix, iostat, iostat);
    } else if (version == "5") {
      iret = translate(kIrix5, iostat, iostat);
    }
  }
}
