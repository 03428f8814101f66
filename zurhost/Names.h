#pragma once
// Symbolic names of the codes a run may see.
#include <windows.h>
#include <string>

// The system's and the layer's own names, or "".
std::wstring KnownName(HRESULT hr);
bool IsKnownName(const std::wstring& name);
std::wstring HexCode(HRESULT hr);
