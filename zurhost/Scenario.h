#pragma once
// A scenario: one edit a line, as a host would ask the layer about it.
//   new <palette>
//   [drag] insert <palette> as <name> (into|after) <component>
//   [drag] move <component> (into|after) <component>
//   [drag] replace <component> with <palette>
//   delete <component>
//   connect <component>:<port> <component>:<port>
//   disconnect <component>:<port> <component>:<port>
//   set <component> <path> = <value>        ("~" stands for the path to the communication entities)
//   check all
// Any line may end with "=> <verdict>": accepted, rejected, a symbolic name or a code.
// Words with blanks are written in double quotes; "#" starts a comment.
#include "zurhost/Verdict.h"
#include <string>
#include <vector>

enum class EditKind
{
    NewDevice,
    Insert,
    Move,
    Replace,
    Delete,
    Connect,
    Disconnect,
    Set,
    CheckAll
};

struct Edit
{
    int nLine = 0;
    std::wstring strText; // the line without its expectation
    EditKind kind = EditKind::CheckAll;
    bool bDrag = false; // only the drag question; nothing is changed
    bool bAsChild = true;
    std::vector<std::wstring> args;
    Verdict expected; // Kind::None: no expectation
};

// Parses the scenario read from path; CCannotRun ("<path>: line N: ...") at the
// first bad line, or when it has no edit at all.
std::vector<Edit> ParseScenario(const std::wstring& path, const std::wstring& text);
// Splits a line into words; double quotes group words.
std::vector<std::wstring> SplitWords(const std::wstring& line);
