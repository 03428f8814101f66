#pragma once
// Type information written out as one line per method, so that a contract can
// be compared with a table of expected lines and a difference reads plainly.
#include <windows.h>
#include <oaidl.h>
#include <string>
#include <vector>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

// "BSTR*", "long", "VARIANT", "IDispatch*", "NewZUR.IComponent*" (a type of
// another library is named with that library's name).
std::wstring TypeText(ITypeInfo* pTypeInfo, const TYPEDESC& tdesc);

enum class MethodStyle
{
    // "7 1 HRESULT Init([in] IDispatch* pdispTopology) \"method Init\""
    Full,
    // "9 HRESULT GetSchema([out] NewZUR.IDataSchema**)": slot and types only
    Slot,
};

// The methods of an interface half (TKIND_INTERFACE) in vtable order; the
// slot is oVft / sizeof(void*).
std::vector<std::wstring> MethodTexts(ITypeInfo* pInterface, MethodStyle style);

// Name and doc string of a type (memid MEMBERID_NIL) or member.
std::wstring NameOf(ITypeInfo* pTypeInfo, MEMBERID memid = MEMBERID_NIL);
std::wstring DocOf(ITypeInfo* pTypeInfo, MEMBERID memid = MEMBERID_NIL);

// The type that implementation slot index refers to (-1: the interface half
// of a dual interface).
ComPtr<ITypeInfo> RefTypeOf(ITypeInfo* pTypeInfo, UINT index);

// Copies of the attributes, released at once.
TYPEATTR AttrOf(ITypeInfo* pTypeInfo);
TLIBATTR LibAttrOf(ITypeLib* pTypeLib);
