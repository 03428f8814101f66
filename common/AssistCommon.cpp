// CAssistCommon: construction, destruction, key order and the debug-option gate.
#include "common/AssistCommon.h"
#include <algorithm>

bool ProtocolLess::operator()(std::wstring_view a, std::wstring_view b) const noexcept
{
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto ua = static_cast<unsigned short>(a[i]);
        const auto ub = static_cast<unsigned short>(b[i]);
        if (ua != ub)
            return ua < ub;
    }
    return a.size() < b.size();
}

CAssistCommon::CAssistCommon() noexcept = default;

// The members go in reverse order of declaration: the protocol walk, the query
// service and the topology first, then the error databases and the assistants.
// No assistant is told to terminate here; that is Term's work.
CAssistCommon::~CAssistCommon() = default;

bool CAssistCommon::DebugGateAnswers(HRESULT* phr) const noexcept
{
    switch (m_lDebugOption) {
    case 0:
        *phr = S_OK;
        return true;
    case 1:
        *phr = E_FAIL;
        return true;
    default:
        return false;
    }
}
