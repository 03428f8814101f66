#pragma once
// Where the test program and the built module live, and its private temp folder.
#include <string>

// The folder of the running test program, with a trailing backslash; the
// module, its type libraries and the test programs are built side by side.
std::wstring BinaryDirectory();
// Points TMP/TEMP of this process at a fresh folder of its own.
void UsePrivateTempFolder();
// The current private temp folder, with a trailing backslash.
std::wstring PrivateTempFolder();
// The error log the module writes there.
std::wstring ErrorLogPath();
// Writes text to a file in the private temp folder; returns its path.
std::wstring WriteTempFile(const std::wstring& name, const std::string& text);
// A file's bytes, empty when it cannot be read.
std::string FileText(const std::wstring& path);
