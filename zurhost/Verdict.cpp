// Stated verdicts: their form and whether an answer meets them.
#include "zurhost/Verdict.h"
#include "zurhost/Names.h"
#include <cwctype>

namespace {

const wchar_t kExpected[] = L"expected accepted, rejected, a symbolic name such as DP_E_ADDRESS_IN_USE "
                            L"or a code such as 0x80040302";

bool IsHexCode(const std::wstring& text, HRESULT& hr)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != L'0' || (text[1] != L'x' && text[1] != L'X'))
        return false;
    for (size_t i = 2; i < text.size(); ++i)
        if (!iswxdigit(text[i]))
            return false;
    hr = static_cast<HRESULT>(wcstoul(text.c_str() + 2, nullptr, 16));
    return true;
}

bool IsSymbol(const std::wstring& text)
{
    if (text.empty() || !(iswalpha(text[0]) || text[0] == L'_'))
        return false;
    for (wchar_t c : text)
        if (!(iswalnum(c) || c == L'_'))
            return false;
    return true;
}

bool SameLetters(const std::wstring& a, const wchar_t* b)
{
    return _wcsicmp(a.c_str(), b) == 0;
}

} // namespace

std::wstring ParseVerdict(const std::wstring& text, Verdict& verdict)
{
    verdict.strText = text;
    if (text == L"accepted" || text == L"rejected") {
        verdict.kind = text == L"accepted" ? Verdict::Kind::Accepted : Verdict::Kind::Rejected;
        return {};
    }
    for (const wchar_t* word : {L"accepted", L"rejected"})
        if (SameLetters(text, word))
            return L"verdict \"" + text + L"\": did you mean " + word + L"?";
    if (IsHexCode(text, verdict.hrCode)) {
        verdict.kind = Verdict::Kind::Code;
        return {};
    }
    if (text.size() > 1 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X'))
        return L"verdict \"" + text + L"\" is not a code: expected 0x and one to eight hex digits";
    if (IsSymbol(text)) {
        verdict.kind = Verdict::Kind::Symbol;
        return {};
    }
    return L"verdict \"" + text + L"\": " + kExpected;
}

bool Meets(const Verdict& verdict, HRESULT hr, const std::wstring& symbol)
{
    switch (verdict.kind) {
    case Verdict::Kind::Accepted:
        return SUCCEEDED(hr);
    case Verdict::Kind::Rejected:
        return FAILED(hr);
    case Verdict::Kind::Code:
        return verdict.hrCode == hr;
    case Verdict::Kind::Symbol:
        return verdict.strText == symbol || verdict.strText == KnownName(hr);
    default:
        return true;
    }
}
