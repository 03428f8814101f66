#pragma once
// The trace texts one object sends, each as the event argument that holds its
// string: made at its first event and handed to the host again, unchanged,
// for every later one. The host receives them as [in] values: it reads them
// and keeps no hold on them. An argument made long before the call is also
// the cheapest to pass: one built just before it is read back wider than it
// was written, and the processor waits on those stores at every event.
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

    // The argument of a text that lives as long as the module (a constant):
    // its address names it. Made on first use; raises E_OUTOFMEMORY when its
    // string cannot be made.
    const VARIANT& Of(const wchar_t* pszText)
    {
        const Slot& home = m_slots[Home(pszText)];
        return home.pszText == pszText ? home.vText : Find(pszText);
    }

private:
    struct Slot
    {
        const wchar_t* pszText;
        VARIANT vText; // a VT_BSTR, or all zero while the slot is free
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
    const VARIANT& Find(const wchar_t* pszText);
    static const VARIANT& Fill(Slot& slot, const wchar_t* pszText);

    Slot m_slots[kSlots] = {};
};
