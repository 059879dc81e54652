#include "base/cp932.h"

namespace dz {

int WholeCharacterPrefix(const char* text, int limit) {
  if (text == nullptr) return 0;
  int n = 0;
  while (text[n] != '\0') {
    int step = 1;
    if (IsLeadByte(static_cast<unsigned char>(text[n]))) {
      if (text[n + 1] == '\0') break;  // half a character at the end
      step = 2;
    }
    if (n + step > limit) break;
    n += step;
  }
  return n;
}

}  // namespace dz
