// The coordinate code: the whole board as one line of text.
#pragma once

#include <cstdint>

namespace dz {

// Size of the buffers that hold a code, terminator included.
constexpr int kCodeSize = 1024;

// Builds the code of the current board into buf; returns its length in bytes.
int BuildCoordinateCode(char (&buf)[kCodeSize]);

// Rebuilds the board from a code (at most kCodeSize − 1 bytes, zero-terminated). The text is
// cut up in place. Parks the shadow; an empty text changes nothing.
void ReadCoordinateCode(char* text);

// Reads a number field of a code: optional leading white space, an optional sign, decimal
// digits up to the first other character. No digits read as 0; values beyond the signed
// 32-bit range read as the nearest limit.
std::int32_t ReadCodeNumber(const char* text);

}  // namespace dz
