#include "doubles/DoubleObject.h"
#include <cstdio>
#include <map>

namespace {

struct CLiveEntry
{
    const CDoubleBase* pDouble;
    unsigned long long nSerial;
};

unsigned long long g_nSerial = 0;
UnexpectedCallHook g_pfnUnexpected = nullptr;
unsigned long long g_nMark = 0;

std::vector<std::wstring>& Log()
{
    static std::vector<std::wstring> s_vecLog;
    return s_vecLog;
}

std::map<const void*, CLiveEntry>& Live()
{
    static std::map<const void*, CLiveEntry> s_mapLive;
    return s_mapLive;
}

} // namespace

void SetUnexpectedCallHook(UnexpectedCallHook pfnHook)
{
    g_pfnUnexpected = pfnHook;
}

void CCallLog::Add(std::wstring_view object, std::wstring_view method)
{
    if (!CRecording::On())
        return;
    std::wstring entry(object);
    entry += L'.';
    entry += method;
    Log().push_back(std::move(entry));
}

const std::vector<std::wstring>& CCallLog::Entries()
{
    return Log();
}

std::vector<std::wstring> CCallLog::Only(std::initializer_list<std::wstring_view> prefixes)
{
    std::vector<std::wstring> result;
    for (const std::wstring& entry : Log())
        for (std::wstring_view prefix : prefixes)
            if (std::wstring_view(entry).substr(0, prefix.size()) == prefix) {
                result.push_back(entry);
                break;
            }
    return result;
}

void CCallLog::Clear()
{
    Log().clear();
}

void CLiveDoubles::Mark()
{
    g_nMark = g_nSerial;
}

long CLiveDoubles::Count()
{
    long lCount = 0;
    for (const auto& entry : Live())
        lCount += entry.second.nSerial > g_nMark;
    return lCount;
}

std::wstring CLiveDoubles::Describe()
{
    std::wstring text;
    for (const auto& [pObject, entry] : Live())
        if (entry.nSerial > g_nMark)
            text += std::wstring(entry.pDouble->Kind()) + L" \"" + entry.pDouble->Name() + L"\" with " +
                    std::to_wstring(entry.pDouble->References()) + L" reference(s)\n";
    return text;
}

void CLiveDoubles::Enter(const CDoubleBase* pDouble)
{
    Live()[pDouble] = CLiveEntry{pDouble, ++g_nSerial};
}

void CLiveDoubles::Leave(const void* pObject)
{
    Live().erase(pObject);
}

void CDoubleBase::LogCall(std::wstring_view method) const
{
    CCallLog::Add(m_strName, method);
}

HRESULT CDoubleBase::UnexpectedSlot(int nSlot) const
{
    const std::wstring method = L"Reserved" + std::to_wstring(nSlot);
    LogCall(method);
    const std::wstring text = L"unexpected call of " + std::wstring(m_kind) + L" \"" + m_strName + L"\", slot " +
                              std::to_wstring(nSlot) + L" (" + method + L")";
    if (g_pfnUnexpected)
        g_pfnUnexpected(text);
    else
        fwprintf(stderr, L"%ls\n", text.c_str());
    return E_NOTIMPL;
}
