// CAssistResult: one assistant's answer as a check records it.
#include "common/AssistResult.h"

namespace {

HRESULT HandOut(const Microsoft::WRL::ComPtr<ICharacteristic>& spChar, ICharacteristic** ppChar) noexcept
{
    if (!ppChar)
        return E_POINTER;
    *ppChar = nullptr;
    return spChar ? spChar->QueryInterface(IID_PPV_ARGS(ppChar)) : S_OK;
}

} // namespace

CAssistResult::CAssistResult(std::wstring_view busName, std::wstring_view errMsg, HRESULT hr, std::wstring_view errDB)
    : m_strBusName(busName), m_hr(hr), m_strErrMsg(errMsg), m_strErrDB(errDB)
{}

CAssistResult::CAssistResult(std::wstring_view busName, std::wstring_view errMsg, HRESULT hr,
                             ICharacteristic* piCharErr1, ICharacteristic* piCharErr2, std::wstring_view errDB)
    : CAssistResult(busName, errMsg, hr, errDB)
{
    // Whatever the assistant handed out is asked for the interface itself;
    // an object that does not answer is stored as none.
    if (piCharErr1)
        piCharErr1->QueryInterface(IID_PPV_ARGS(&m_spCharErr1));
    if (piCharErr2)
        piCharErr2->QueryInterface(IID_PPV_ARGS(&m_spCharErr2));
}

CAssistResult::~CAssistResult() = default;

HRESULT CAssistResult::GetCharErr1(ICharacteristic** ppChar) const noexcept
{
    return HandOut(m_spCharErr1, ppChar);
}

HRESULT CAssistResult::GetCharErr2(ICharacteristic** ppChar) const noexcept
{
    return HandOut(m_spCharErr2, ppChar);
}

static_assert(sizeof(CAssistResult) <= AssistBlockCache::kBlockSize, "a result fits a kept block");
