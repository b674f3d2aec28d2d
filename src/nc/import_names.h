// The parameter name a netCDF variable's grids are filed under, and the unit
// conversion that makes its values fit the parameter table's entry of that
// name.
//
// In order: the name the user gives (--name); the name grid2nc kept
// (t2g_parameter), while the variable's units and standard_name still agree
// with the table's entry of it; the table's entry of the variable's
// standard_name, in the same units or in units its values convert into; the
// variable's own name, upper case. A name whose table entry has other units
// is given only with the values converted; when they cannot be, the variable
// is refused and --name suggested.
#pragma once

#include <string>
#include <vector>

#include "gridfile/gridfile.h"
#include "nc/ncfile.h"
#include "nc/unit_conversion.h"
#include "params/params.h"

namespace nc {

struct ParameterName {
  std::string param;
  Affine convert;  // from the variable's units into the entry's
  std::vector<std::string> warnings;
};

// `given`: the name from the command line, empty for none.
gridfile::Result<ParameterName> name_parameter(const NcFile& f, int varid,
                                               const params::Table& table,
                                               const std::string& given);

}  // namespace nc
