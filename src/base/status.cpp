#include "base/status.h"

namespace base {

const char* source_name(Source source) {
  switch (source) {
    case Source::kTool:
      return "tool";
    case Source::kArgument:
      return "argument";
    case Source::kFileSystem:
      return "file system";
    case Source::kDm:
      return "DM";
    case Source::kGrid:
      return "grid";
    case Source::kNetcdf:
      return "netCDF";
    case Source::kProj:
      return "PROJ";
    case Source::kGrib:
      return "GRIB";
  }
  return "tool";
}

BadResultAccess::BadResultAccess(const Error& error)
    : std::logic_error("value() of a failed result: " + error.text) {}

void throw_bad_access(const Error& error) {
  throw BadResultAccess(error);
}

}  // namespace base
