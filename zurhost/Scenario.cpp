// Reading scenario files.
#include "zurhost/Scenario.h"
#include "interfaces/LayerNames.h"
#include "zurhost/CannotRun.h"
#include <cwctype>

namespace {

std::wstring Trim(const std::wstring& text)
{
    size_t b = text.find_first_not_of(L" \t\r\n");
    if (b == std::wstring::npos)
        return {};
    size_t e = text.find_last_not_of(L" \t\r\n");
    return text.substr(b, e - b + 1);
}

// A "#" outside double quotes starts a comment.
std::wstring StripComment(const std::wstring& line)
{
    bool bQuoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'"')
            bQuoted = !bQuoted;
        else if (line[i] == L'#' && !bQuoted)
            return line.substr(0, i);
    }
    return line;
}

std::wstring ExpandPath(const std::wstring& path)
{
    return !path.empty() && path[0] == L'~' ? std::wstring(L"root/") + LayerNames::kEntityPath + path.substr(1) : path;
}

// Fills the edit from its words; returns the reason when they do not fit.
std::wstring Shape(const std::vector<std::wstring>& w, Edit& edit)
{
    size_t i = 0;
    if (i < w.size() && w[i] == L"drag") {
        edit.bDrag = true;
        ++i;
    }
    auto rest = [&](size_t n) { return w.size() - i == n; };
    auto place = [&](const std::wstring& word) {
        edit.bAsChild = word == L"into";
        return word == L"into" || word == L"after";
    };
    const std::wstring verb = i < w.size() ? w[i++] : L"";
    if (verb == L"insert" && rest(5) && w[i + 1] == L"as" && place(w[i + 3])) {
        edit.kind = EditKind::Insert;
        edit.args = {w[i], w[i + 2], w[i + 4]};
    } else if (verb == L"move" && rest(3) && place(w[i + 1])) {
        edit.kind = EditKind::Move;
        edit.args = {w[i], w[i + 2]};
    } else if (verb == L"replace" && rest(3) && w[i + 1] == L"with") {
        edit.kind = EditKind::Replace;
        edit.args = {w[i], w[i + 2]};
    } else if (edit.bDrag) {
        return L"\"drag\" goes with insert, move or replace";
    } else if (verb == L"new" && rest(1)) {
        edit.kind = EditKind::NewDevice;
        edit.args = {w[i]};
    } else if (verb == L"delete" && rest(1)) {
        edit.kind = EditKind::Delete;
        edit.args = {w[i]};
    } else if ((verb == L"connect" || verb == L"disconnect") && rest(2)) {
        edit.kind = verb == L"connect" ? EditKind::Connect : EditKind::Disconnect;
        edit.args = {w[i], w[i + 1]};
    } else if (verb == L"set" && rest(4) && w[i + 2] == L"=") {
        edit.kind = EditKind::Set;
        edit.args = {w[i], ExpandPath(w[i + 1]), w[i + 3]};
    } else if (verb == L"check" && rest(1) && w[i] == L"all") {
        edit.kind = EditKind::CheckAll;
    } else {
        return L"cannot read \"" + edit.strText + L"\"";
    }
    return {};
}

} // namespace

std::vector<std::wstring> SplitWords(const std::wstring& line)
{
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        if (iswspace(line[i])) {
            ++i;
            continue;
        }
        std::wstring word;
        if (line[i] == L'"') {
            size_t end = line.find(L'"', i + 1);
            word = line.substr(i + 1, end == std::wstring::npos ? std::wstring::npos : end - i - 1);
            i = end == std::wstring::npos ? line.size() : end + 1;
        } else {
            while (i < line.size() && !iswspace(line[i]))
                word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

std::vector<Edit> ParseScenario(const std::wstring& path, const std::wstring& text)
{
    std::vector<Edit> edits;
    size_t start = 0;
    int nLine = 0;
    const auto refuse = [&](const std::wstring& reason) {
        throw CCannotRun(path + L": line " + std::to_wstring(nLine) + L": " + reason);
    };
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        start = end == std::wstring::npos ? text.size() + 1 : end + 1;
        ++nLine;
        line = StripComment(line);
        Edit edit;
        edit.nLine = nLine;
        size_t arrow = line.find(L"=>");
        if (arrow != std::wstring::npos) {
            std::wstring verdict = Trim(line.substr(arrow + 2));
            line.erase(arrow);
            if (verdict.empty())
                refuse(L"\"=>\" without a verdict");
            if (std::wstring reason = ParseVerdict(verdict, edit.expected); !reason.empty())
                refuse(reason);
        }
        edit.strText = Trim(line);
        if (edit.strText.empty() && edit.expected.kind != Verdict::Kind::None)
            refuse(L"a verdict without an edit");
        if (edit.strText.empty())
            continue;
        if (std::wstring reason = Shape(SplitWords(edit.strText), edit); !reason.empty())
            refuse(reason);
        edits.push_back(std::move(edit));
    }
    if (edits.empty())
        throw CCannotRun(path + L": no edits: every line is blank or a comment");
    return edits;
}
