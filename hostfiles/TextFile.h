#pragma once
// Text files as editors save them: UTF-8 with or without a byte-order mark,
// or UTF-16 (either byte order) with one. Anything else is refused with the
// place of the first byte that does not fit, so the user knows what to fix.
#include <string>

// Decodes the bytes of a text file; false with strReason ("line 3, column 7: ...").
bool DecodeText(const std::string& bytes, std::wstring& text, std::wstring& strReason);
// Reads and decodes a file; false with strReason (no such file, a folder, bad encoding).
bool ReadTextFile(const std::wstring& path, std::wstring& text, std::wstring& strReason);
// The whole file as bytes; false with strReason.
bool ReadFileBytes(const std::wstring& path, std::string& bytes, std::wstring& strReason);
// UTF-8 for output and libraries that take narrow text.
std::string Utf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);
