#pragma once
// Trace texts, fixed names and the error-log row of CAssistLayer.
#include <windows.h>
#include "common/LogRow.h"
#include "interfaces/AssistChecks.h"
#include "interfaces/LayerNames.h"

namespace AssistLayerText {

// Method-name traces of the checks, in CheckId order.
inline constexpr const wchar_t* kTraceChecks[] = {ASSIST_CHECKS(CHECK_NAME, L"CAssistLayer::")};

// Method-name traces of the lifecycle.
inline constexpr wchar_t kTraceInit[] = L"CAssistLayer::Init";
inline constexpr wchar_t kTraceTerm[] = L"CAssistLayer::Term";
inline constexpr wchar_t kTraceNewProjectCreated[] = L"CAssistLayer::NewProjectCreated";
inline constexpr wchar_t kTraceGetProcessedBusName[] = L"CAssistLayer::GetProcessedBusName";

// Method-name traces of the protocol resolution.
inline constexpr wchar_t kTraceGetFirstProtocol[] = L"CAssistLayer::GetFirstProtocol";
inline constexpr wchar_t kTraceGetNextProtocol[] = L"CAssistLayer::GetNextProtocol";
inline constexpr wchar_t kTraceGetAssistFromProtocol[] = L"CAssistLayer::GetAssistFromProtocol";
inline constexpr wchar_t kTraceGetComponentFromProtocol[] = L"CAssistLayer::GetComponentFromProtocol";
inline constexpr wchar_t kTraceGetComponentFromCharacteristic[] = L"CAssistLayer::GetComponentFromCharacteristic";
inline constexpr wchar_t kTraceIsBelowCommunicationEntity[] = L"CAssistLayer::IsBelowCommunicationEntity";
inline constexpr wchar_t kTraceGetCommunicationEntityProtocol[] = L"CAssistLayer::GetCommunicationEntityProtocol";

// What the protocol walk reports when it finds nothing.
inline constexpr wchar_t kTraceNoRoot[] = L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus";
inline constexpr wchar_t kTraceNoProtocol[] =
    L"Not found Protocol in Component, call SYSTEM Assistant with __NONE__ bus";
inline constexpr wchar_t kTraceNoAssistant[] = L"Cannot find assistant.";

// The bus name of a component without protocol.
inline constexpr wchar_t kNoBus[] = L"__NONE__";

// Names and paths in the host's data tree.
inline constexpr wchar_t kRootName[] = L"root";
using LayerNames::kProtocolPath;
inline constexpr wchar_t kOwnerPath[] = L"..==>.";
inline constexpr wchar_t kEntityTypeName[] = L"communicationEntity";
inline constexpr wchar_t kProtocolAttribute[] = L"@protocol";

using LayerNames::kNoAssistant;

// One row a line, past the column limit: a row reads as the log line it writes.
// clang-format off
inline constexpr LogRow kRowAssistantInitFailed{SeverityError, kTraceInit, L".\\AssistLayer", 124, L"Assistant::Init failed.", L""};
// clang-format on

} // namespace AssistLayerText
