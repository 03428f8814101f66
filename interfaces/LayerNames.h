#pragma once
// The names the layer and its hosts agree on; the kit spells them from here.
#include <windows.h>

namespace LayerNames {

// A protocol (the value's name) bound to its assistant's ProgID and to its
// error database; a proxy reads the subkeys named by its protocol.
inline constexpr wchar_t kAssistantsKey[] = L"BindedAssistants";
inline constexpr wchar_t kErrorDBsKey[] = L"BindedAssistants_ErrDB";
// The host's scopes, in the order the layer reads them.
inline constexpr long kFirstScope = 9, kSecondScope = 17;
// "Debug" 0 or 1 answers every check S_OK or E_FAIL at once, else (2 when
// missing) normal work; "Trace" 0 is off.
inline constexpr wchar_t kOptionsKey[] = L"LayerOptions";
inline constexpr wchar_t kDebugValue[] = L"Debug";
inline constexpr wchar_t kTraceValue[] = L"Trace";
inline constexpr long kDebugAnswerOk = 0, kDebugAnswerFail = 1, kDebugNormal = 2;
inline constexpr wchar_t kLayerProgId[] = L"Zerani.Layer.AssistLayer.7";
inline constexpr wchar_t kProxyProgId[] = L"Zerani.Layer.ProxyAssistant.7";
// No assistant for a protocol; an error database unreadable while loading.
inline constexpr HRESULT kNoAssistant = static_cast<HRESULT>(0xFFFFEB3D);
inline constexpr HRESULT kErrorDBUnreadable = static_cast<HRESULT>(0xFFFFEB3C);
// The error log, in the user's temp folder.
inline constexpr wchar_t kErrorLogName[] = L"Tessaro_Error_Log.csv";
// Below a component's "root" item: each communication entity, and its protocol.
#define LAYER_NAMES_ENTITY_PATH L"deviceInfo/device/DeviceManagerObject/communicationEntity"
inline constexpr wchar_t kEntityPath[] = LAYER_NAMES_ENTITY_PATH;
inline constexpr wchar_t kProtocolPath[] = LAYER_NAMES_ENTITY_PATH L"/@protocol";
#undef LAYER_NAMES_ENTITY_PATH

} // namespace LayerNames
