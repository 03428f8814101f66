#pragma once
// The sample assistants' codes (their error databases list the same codes)
// and the texts of their messages. %1, %2, ... are filled in by Format.
#include <windows.h>
#include <string>
#include <initializer_list>

namespace Bus {

inline constexpr HRESULT E_ADDRESS_RANGE = static_cast<HRESULT>(0x80040301);
inline constexpr HRESULT E_ADDRESS_IN_USE = static_cast<HRESULT>(0x80040302);
inline constexpr HRESULT E_NAME_INVALID = static_cast<HRESULT>(0x80040303);
inline constexpr HRESULT E_NAME_IN_USE = static_cast<HRESULT>(0x80040304);
inline constexpr HRESULT E_NO_MASTER = static_cast<HRESULT>(0x80040305);
inline constexpr HRESULT E_MASTER_FULL = static_cast<HRESULT>(0x80040306);
inline constexpr HRESULT E_PORT_MISMATCH = static_cast<HRESULT>(0x80040307);
inline constexpr HRESULT E_PORT_BUSY = static_cast<HRESULT>(0x80040308);
inline constexpr HRESULT E_NOT_CONNECTED = static_cast<HRESULT>(0x80040309);
inline constexpr HRESULT E_HAS_DEVICES = static_cast<HRESULT>(0x8004030A);
inline constexpr HRESULT E_INCOMPATIBLE = static_cast<HRESULT>(0x8004030B);
inline constexpr HRESULT E_SAME_DEVICE = static_cast<HRESULT>(0x8004030C);
inline constexpr HRESULT E_OTHER_SEGMENT = static_cast<HRESULT>(0x8004030D);
inline constexpr HRESULT E_NOT_INITIALIZED = static_cast<HRESULT>(0x8004030E);
inline constexpr HRESULT W_LAST_PLACE = static_cast<HRESULT>(0x00040310);
inline constexpr HRESULT I_UNCABLED = static_cast<HRESULT>(0x00040311);

inline constexpr wchar_t kAddressRange[] = L"%1 %2 of '%3' is outside %4..%5.";
inline constexpr wchar_t kAddressMissing[] = L"'%1' has no %2 on its %3 interface.";
inline constexpr wchar_t kAddressInUse[] = L"%1 %2 of '%3' is already used by '%4' on the bus of '%5'.";
inline constexpr wchar_t kNameInvalid[] = L"Device name '%1' of '%2' is not valid: %3.";
inline constexpr wchar_t kNameInUse[] = L"Device name '%1' of '%2' is already used by '%3'.";
inline constexpr wchar_t kNoMaster[] = L"'%1' is a %2 slave, but '%3' offers no %2 master.";
inline constexpr wchar_t kMasterFull[] = L"'%1' already has %2 %3 devices, its maximum.";
inline constexpr wchar_t kLastPlace[] = L"'%1' takes the last of the %2 places on the %3 bus of '%4'.";
inline constexpr wchar_t kNotOurPort[] = L"Port '%1' of '%2' is not a %3 port.";
inline constexpr wchar_t kPortKinds[] = L"Port '%1' of '%2' (%3) does not fit port '%4' of '%5' (%6).";
inline constexpr wchar_t kSameDevice[] = L"Ports '%1' and '%2' both belong to '%3'.";
inline constexpr wchar_t kPortBusy[] = L"Port '%1' of '%2' is already cabled.";
inline constexpr wchar_t kOtherSegment[] = L"'%1' and '%2' are on the buses of different masters ('%3', '%4').";
inline constexpr wchar_t kNotConnected[] = L"Ports '%1' and '%2' are not cabled to each other.";
inline constexpr wchar_t kHasDevices[] = L"'%1' is still the %2 master of %3 devices; move or delete them first.";
inline constexpr wchar_t kRoleMismatch[] = L"'%1' (%2 %3) cannot replace '%4' (%5).";
inline constexpr wchar_t kUncabled[] = L"'%1' has no cable on its %2 ports.";
inline constexpr wchar_t kNotInitialized[] = L"The assistant has not been initialised.";
inline constexpr wchar_t kWrongProtocol[] = L"This assistant serves %1, not %2.";

inline constexpr wchar_t kNameEmpty[] = L"it is empty";
inline constexpr wchar_t kNameTooLong[] = L"it is longer than 240 characters";
inline constexpr wchar_t kNameChars[] = L"only a-z, 0-9, '-' and '.' are allowed";
inline constexpr wchar_t kNameLabels[] = L"a label is empty, longer than 63 characters or begins or ends with '-'";
inline constexpr wchar_t kNamePort[] = L"names of the form 'port-xyz' are reserved";

// Replaces %1..%9 with the arguments in order.
inline std::wstring Format(const wchar_t* pattern, std::initializer_list<std::wstring> args)
{
    std::wstring out;
    for (const wchar_t* p = pattern; *p; ++p) {
        if (p[0] == L'%' && p[1] >= L'1' && p[1] <= L'9' && static_cast<size_t>(p[1] - L'1') < args.size()) {
            out += *(args.begin() + (p[1] - L'1'));
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace Bus
