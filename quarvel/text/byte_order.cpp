#include "text/byte_order.h"

namespace quarvel {

using namespace std::string_view_literals;

bool HasUtf16ByteOrderMark(std::string_view start) {
  return start.starts_with("\xFF\xFE"sv) || start.starts_with("\xFE\xFF"sv);
}

bool LooksLikeUtf16(std::string_view start) {
  if (HasUtf16ByteOrderMark(start)) return true;
  if (start.size() < 4) return false;
  int nul_pairs = 0;
  for (size_t at = 0; at + 1 < start.size(); at += 2) {
    nul_pairs += (start[at] == '\0') != (start[at + 1] == '\0');
  }
  return nul_pairs * 4 >= static_cast<int>(start.size() / 2) * 3;
}

}  // namespace quarvel
