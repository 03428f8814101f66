#pragma once
// Owners for the resources a COM server hands around: strings, variants and
// registry keys.
#include <windows.h>
#include <oleauto.h>
#include <string>
#include <string_view>
#include <utility>
#include "com/ComError.h"

// The text of a BSTR by its length prefix (embedded zeros kept); null is "".
inline std::wstring_view BstrView(BSTR bstr) noexcept
{
    return bstr ? std::wstring_view(bstr, SysStringLen(bstr)) : std::wstring_view();
}

// Owns one BSTR. Allocation failures raise E_OUTOFMEMORY.
class CBstr
{
public:
    CBstr() noexcept = default;
    explicit CBstr(std::wstring_view text) : m_bstr(Alloc(text)) {}
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    CBstr(CBstr&& other) noexcept : m_bstr(other.Detach()) {}
    CBstr& operator=(CBstr&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~CBstr() { Reset(); } // a null string is not handed to the runtime at all

    static BSTR Alloc(std::wstring_view text)
    {
        return ThrowIfNull(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    }

    BSTR Get() const noexcept { return m_bstr; }
    operator BSTR() const noexcept { return m_bstr; }
    std::wstring_view View() const noexcept { return BstrView(m_bstr); }
    bool IsNull() const noexcept { return m_bstr == nullptr; }

    // For [out] BSTR* parameters: frees what is held and hands out the slot.
    BSTR* Out() noexcept
    {
        Reset();
        return &m_bstr;
    }
    BSTR Detach() noexcept
    {
        BSTR b = m_bstr;
        m_bstr = nullptr;
        return b;
    }
    void Reset(BSTR bstr = nullptr) noexcept
    {
        if (m_bstr && m_bstr != bstr)
            SysFreeString(m_bstr);
        m_bstr = bstr;
    }

private:
    BSTR m_bstr = nullptr;
};

// Owns one VARIANT; cleared on destruction.
class CVariant : public VARIANT
{
public:
    CVariant() noexcept { VariantInit(this); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    ~CVariant() { VariantClear(this); }

    static CVariant Long(LONG l) noexcept
    {
        CVariant v;
        v.vt = VT_I4;
        v.lVal = l;
        return v;
    }
    static CVariant String(std::wstring_view text)
    {
        CVariant v;
        v.bstrVal = CBstr::Alloc(text);
        v.vt = VT_BSTR;
        return v;
    }
    CVariant(CVariant&& other) noexcept
    {
        *static_cast<VARIANT*>(this) = other;
        VariantInit(&other);
    }
    VARIANT* Out() noexcept
    {
        VariantClear(this);
        return this;
    }
};

// Owns one open registry key; closed on destruction.
class CRegKey
{
public:
    CRegKey() noexcept = default;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    CRegKey& operator=(CRegKey&& other) noexcept
    {
        std::swap(m_hKey, other.m_hKey);
        return *this;
    }
    ~CRegKey() { Close(); }

    HKEY Get() const noexcept { return m_hKey; }
    // For the functions that open a key: closes what is held and hands out the slot.
    HKEY* Out() noexcept
    {
        Close();
        return &m_hKey;
    }

private:
    void Close() noexcept
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        m_hKey = nullptr;
    }

    HKEY m_hKey = nullptr;
};
