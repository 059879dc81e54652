// Text at the page's edge: the core keeps every text in code page 932 bytes, the page
// works in Unicode (handed across as UTF-8).
#pragma once

#include <string>

namespace dz::web {

// Code page 932 bytes to UTF-8, as the Windows converter reads them: a byte or pair that
// is no character becomes U+30FB, and the single bytes 0x80, 0xA0 and 0xFD-0xFF keep the
// private mappings Windows gives them.
std::string Cp932ToUtf8(const char* text);

// UTF-8 to code page 932. A character that code page 932 lacks becomes '?', never a
// look-alike; so does every malformed UTF-8 sequence.
std::string Utf8ToCp932(const char* utf8);

// The same into buf (size bytes, terminator included), cut after the last whole
// character that fits. Returns the number of bytes before the terminator.
int Utf8ToCp932(const char* utf8, char* buf, int size);

}  // namespace dz::web
