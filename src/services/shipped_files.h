// Where a program finds the files shipped with it (the message files, the
// parameter table). An installed tree may be moved as a whole, so the folder
// beside the program comes first; then the folder it was installed to; then
// the source tree's copy, for a program run from its build folder.
#pragma once

#include <string>
#include <string_view>

namespace services {

struct ShippedFolder {
  std::string_view from_program;  // relative to the program's own folder ("" to skip)
  std::string_view installed;     // absolute, as installed ("" to skip)
  std::string_view built;         // the source tree's copy ("" to skip)
};

// The first of the three folders that holds `probe`; "" when none does.
std::string find_shipped_folder(const ShippedFolder& where, std::string_view probe);

// Points MORERR at the shipped message files, unless the operator set it;
// when that folder holds the message files, they alone are used
// (use_message_folder): a message file in the working directory is not.
void use_shipped_message_files(const ShippedFolder& where);

}  // namespace services
