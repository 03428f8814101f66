#include "doubles/DoubleObject.h"
#include <algorithm>
#include <cstdio>

void CCallLog::Add(std::wstring_view object, std::wstring_view method)
{
    if (g_bRecording)
        s_vecEntries.push_back(std::wstring(object) + L"." + std::wstring(method));
}

std::vector<std::wstring> CCallLog::Only(std::initializer_list<std::wstring_view> prefixes)
{
    std::vector<std::wstring> result;
    for (const std::wstring& entry : s_vecEntries)
        if (std::any_of(prefixes.begin(), prefixes.end(), [&](std::wstring_view p) { return entry.starts_with(p); }))
            result.push_back(entry);
    return result;
}

CDoubleBase::CDoubleBase(std::wstring_view kind, std::wstring_view name) : m_strName(name), m_kind(kind)
{
    CLiveDoubles::s_setLive.insert(this);
}

CDoubleBase::~CDoubleBase()
{
    CLiveDoubles::s_setLive.erase(this);
}

std::wstring CLiveDoubles::Describe()
{
    std::wstring text;
    for (const CDoubleBase* pDouble : s_setLive)
        text += std::wstring(pDouble->Kind()) + L" \"" + pDouble->Name() + L"\" with " +
                std::to_wstring(pDouble->References()) + L" reference(s)\n";
    return text;
}

HRESULT CDoubleBase::UnexpectedSlot(int nSlot) const
{
    const std::wstring method = L"Reserved" + std::to_wstring(nSlot);
    LogCall(method);
    const std::wstring text = L"unexpected call of " + std::wstring(m_kind) + L" \"" + m_strName + L"\", slot " +
                              std::to_wstring(nSlot) + L" (" + method + L")";
    if (g_pfnUnexpectedCall)
        g_pfnUnexpectedCall(text);
    else
        fwprintf(stderr, L"%ls\n", text.c_str());
    return E_NOTIMPL;
}
