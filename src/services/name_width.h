// The working width of file names, table names and symbol values inside the
// file services. Internal to the services layer.
#pragma once

#include <cstddef>

namespace services {

inline constexpr std::size_t kNameWidth = 132;

}  // namespace services
