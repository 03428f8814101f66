#pragma once
// A quick look at XML text before the parser gets it. The parser under Wine
// reports no reason and no position for a file it refuses; this check names
// the first fault with its line and column: an unclosed or mismatched tag,
// text outside the document element, a document type declaration (project
// files take none: it is how entity bombs come in), and nesting deeper than
// the parser's limit.
#include <string>

// The deepest element nesting the parser takes (the document element is level 1).
inline constexpr size_t kMaxXmlDepth = 257;

// True when nothing is wrong that this check looks for; else false with strReason.
bool CheckXmlText(const std::string& bytes, std::wstring& strReason);
