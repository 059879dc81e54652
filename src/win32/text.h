// Text at the Win32 boundary. Inside the program every text is code page 932; the
// platform is always called through its wide functions, so that Japanese captions,
// names and messages come out right whatever the system's ANSI code page is.
#pragma once

#include <string>

namespace dz::win32 {

// Code page 932 text (null means empty) as UTF-16.
std::wstring ToWide(const char* cp932);

// UTF-16 text as code page 932 into buf of `size` bytes: at most size − 1 bytes and a
// terminator, cut after the last whole character that fits (never half a double-byte
// character). Characters that code page 932 lacks become '?'. Returns the bytes written.
int ToCp932(const wchar_t* wide, char* buf, int size);

// The same into a string, nothing cut.
std::string ToCp932(const std::wstring& wide);

}  // namespace dz::win32
