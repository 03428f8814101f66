// CTraceTexts: open addressing over a fixed row of slots, keyed by address.
#include "common/TraceTexts.h"
#include "com/ComError.h"

CTraceTexts::~CTraceTexts()
{
    for (Slot& slot : m_slots)
        SysFreeString(slot.vText.bstrVal);
}

const VARIANT& CTraceTexts::Find(const wchar_t* pszText)
{
    const size_t nHome = Home(pszText);
    for (size_t n = 0; n < kSlots; ++n) {
        Slot& slot = m_slots[(nHome + n) % kSlots];
        if (slot.pszText == pszText)
            return slot.vText;
        if (!slot.pszText)
            return Fill(slot, pszText);
    }
    return Fill(m_slots[nHome], pszText);
}

// The old string, if any, goes only once the new one exists.
const VARIANT& CTraceTexts::Fill(Slot& slot, const wchar_t* pszText)
{
    BSTR bstr = ThrowIfNull(SysAllocString(pszText));
    SysFreeString(slot.vText.bstrVal);
    slot.pszText = pszText;
    slot.vText.vt = VT_BSTR;
    slot.vText.bstrVal = bstr;
    return slot.vText;
}
