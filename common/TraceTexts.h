#pragma once
// The strings of the trace texts one object sends: each made at its first
// event and handed to the host again, unchanged, for every later one. The
// host receives them as [in] values: it reads them and keeps no hold on them.
#include <windows.h>
#include <oleauto.h>
#include <cstddef>
#include <cstdint>

class CTraceTexts
{
public:
    CTraceTexts() noexcept = default;
    ~CTraceTexts();
    CTraceTexts(const CTraceTexts&) = delete;
    CTraceTexts& operator=(const CTraceTexts&) = delete;

    // The string of a text that lives as long as the module (a constant): its
    // address names it. Made on first use; raises E_OUTOFMEMORY when it cannot
    // be made.
    BSTR Of(const wchar_t* pszText)
    {
        const Slot& home = m_slots[Home(pszText)];
        return home.pszText == pszText ? home.bstr : Find(pszText);
    }

private:
    struct Slot
    {
        const wchar_t* pszText;
        BSTR bstr;
    };
    // More than any object has texts; past that, a new text takes its home
    // slot from the one there.
    static constexpr size_t kSlots = 64;

    // Constants lie a few dozen bytes apart: a multiplicative hash spreads them.
    static size_t Home(const wchar_t* pszText) noexcept
    {
        const auto u = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pszText));
        return static_cast<size_t>((u * 0x9E3779B1u) >> 26) % kSlots;
    }
    // Past the home slot: the text's own slot, or a new one.
    BSTR Find(const wchar_t* pszText);
    static BSTR Fill(Slot& slot, const wchar_t* pszText);

    Slot m_slots[kSlots] = {};
};
