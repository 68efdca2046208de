#pragma once
// Text decoding: Jet 4/ACE UTF-16LE with the compressed form, Jet 3 code pages.
#include <cstdint>
#include <string>

#include "jet/bytes.h"

namespace jet::detail {

void appendUtf8(std::string& out, uint32_t cp);

// UTF-16LE, or the compressed form (0xFF 0xFE, then 8-bit runs and 16-bit runs switched by 0x00).
// Appends UTF-8 to out; unpaired surrogates become U+FFFD.
void appendUcs2Text(std::string& out, ByteSpan bytes);
// Same into a caller's buffer of at least ucs2TextBound(bytes.size()) chars; returns the end.
inline size_t ucs2TextBound(size_t n) { return n * 3 + 4; }
char* writeUcs2Text(char* dst, ByteSpan bytes);
// Plain UTF-16LE (names in definitions and properties).
void appendUtf16(std::string& out, ByteSpan bytes);

// Single/double-byte code page text (Jet 3). 932 = CP932, 1252 = CP1252; others go through
// iconv when the system has that code page, else CP1252.
void appendCodePageText(std::string& out, ByteSpan bytes, uint16_t codePage);

// ASCII case-insensitive comparison plus full-width/other code points compared exactly.
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string foldCase(std::string_view s);

}  // namespace jet::detail
