#pragma once
// One assistant's answer to a check, as the check records it.
#include <windows.h>
#include <string>
#include <string_view>
#include <wrl/client.h>
#include "LayerLib2.h"
#include "common/AssistBlockCache.h"

class CAssistResult
{
public:
    CAssistResult(std::wstring_view busName, std::wstring_view errMsg, HRESULT hr, std::wstring_view errDB);
    CAssistResult(std::wstring_view busName, std::wstring_view errMsg, HRESULT hr, ICharacteristic* piCharErr1,
                  ICharacteristic* piCharErr2, std::wstring_view errDB);
    virtual ~CAssistResult();
    // A record lives for one answer: its block is reused by the next one.
    static void* operator new(size_t cb) { return AssistBlockCache::Take(cb); }
    static void operator delete(void* p, size_t cb) noexcept { AssistBlockCache::Give(p, cb); }

    const std::wstring& GetBusName() const noexcept { return m_strBusName; }
    HRESULT GetHr() const noexcept { return m_hr; }
    const std::wstring& GetErrMsg() const noexcept { return m_strErrMsg; }
    const std::wstring& GetErrDB() const noexcept { return m_strErrDB; }
    int GetRank() const noexcept { return m_nRank; }
    void SetRank(int nRank) noexcept { m_nRank = nRank; }
    // Hand a characteristic out (reference added), or null when none is held.
    HRESULT GetCharErr1(ICharacteristic** ppChar) const noexcept;
    HRESULT GetCharErr2(ICharacteristic** ppChar) const noexcept;

private:
    std::wstring m_strBusName;
    HRESULT m_hr;
    std::wstring m_strErrMsg;
    std::wstring m_strErrDB;
    Microsoft::WRL::ComPtr<ICharacteristic> m_spCharErr1;
    Microsoft::WRL::ComPtr<ICharacteristic> m_spCharErr2;
    int m_nRank = -1;
};
