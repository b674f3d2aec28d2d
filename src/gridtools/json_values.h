// Numbers for JSON documents: reals through their shortest exact text, so a
// float reads back bit for bit; non-finite values (which JSON cannot hold) as null.
#pragma once

#include <nlohmann/json.hpp>

namespace gridtools {

nlohmann::json json_real(float value);
nlohmann::json json_number(double value);

}  // namespace gridtools
