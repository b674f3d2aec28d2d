// Text joined from pieces into one string, sized once.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace strings {

// The pieces one after another. Preferred to chains of operator+ that start
// with a literal and a temporary: one allocation, and none of the inlined
// insert-at-the-front copies that g++ 12 at -O3 misreads as overlapping
// (-Wrestrict).
inline std::string concat(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  std::string out;
  out.reserve(size);
  for (const std::string_view piece : pieces) out.append(piece);
  return out;
}

}  // namespace strings
