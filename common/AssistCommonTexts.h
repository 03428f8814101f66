#pragma once
// Every trace text, registry name and error-log row of CAssistCommon.
#include <windows.h>
#include "common/LogRow.h"
#include "interfaces/LayerNames.h"

namespace AssistCommonText {

// Method-name traces.
inline constexpr wchar_t kTraceLoadAssistants[] = L"CAssistCommon::LoadAssistants";
inline constexpr wchar_t kTraceSelectErrorDB[] = L"CAssistCommon::SelectProperErrorDBforRetval";
inline constexpr wchar_t kTraceClearResults[] = L"CAssistCommon::ClearResults";
inline constexpr wchar_t kTraceGetFirstResult[] = L"CAssistCommon::GetFirstResult";
inline constexpr wchar_t kTraceGetWorstResult[] = L"CAssistCommon::GetWorstResult";

// Configuration names, the two scopes and the layer's own HRESULTs.
using namespace LayerNames;

// The control event that carries a trace text.
inline constexpr long kEventId = 5165;
inline constexpr long kEventParam1 = 0;
inline constexpr long kEventParam2 = 5173;
inline constexpr long kEventKind = 5275;
// The kind as the event's argument, made once, as the texts are (TraceTexts.h says why).
inline constexpr VARIANT kEventKindArg = {{{VT_I4, 0, 0, 0, {.lVal = kEventKind}}}};
inline constexpr long kEventParam3 = 0;

inline constexpr wchar_t kSource[] = L".\\AssistCommon";
inline constexpr wchar_t kLoadDebugOptions[] = L"CAssistCommon::LoadDebugOptions";
inline constexpr wchar_t kDebugOptionsMessage[] = L"Layer Debug options:";

// One row a line, past the column limit: a row reads as the log line it writes.
// clang-format off
inline constexpr LogRow kRowDebugMissing{SeverityWarning, kLoadDebugOptions, kSource, 391, L"DebugOption not found in registry, using default", L""};
inline constexpr LogRow kRowDebugAnswerOk{SeverityInfo, kLoadDebugOptions, kSource, 398, kDebugOptionsMessage, L"Do nothing, returning with SOK"};
inline constexpr LogRow kRowDebugAnswerFail{SeverityInfo, kLoadDebugOptions, kSource, 401, kDebugOptionsMessage, L"Do nothing, returning with SFALSE"};
inline constexpr LogRow kRowDebugDefault{SeverityInfo, kLoadDebugOptions, kSource, 404, kDebugOptionsMessage, L"Default functionality"};
inline constexpr LogRow kRowTraceMissing{SeverityWarning, kLoadDebugOptions, kSource, 419, L"Trace Option not found in registry, using default = Do Trace", L""};
inline constexpr LogRow kRowFireFailed{SeverityError, L"CAssistCommon::ZURTrace", kSource, 447, L"FireControlEvent failed.", L""};
inline constexpr LogRow kRowCreateAssistant{SeverityError, L"CAssistCommon::InsertProtocolBusEntryIntoMap", kSource, 116, L"Cannot create instance of assistant.", L""};
inline constexpr LogRow kRowInsertOutOfMemory{SeverityError, L"CAssistCommon::InsertProtocolBusEntryIntoMap", kSource, 128, L"Assistant insertion", L""};
inline constexpr LogRow kRowNoAssistant{SeverityError, kTraceLoadAssistants, kSource, 149, L"Cannot find assistant.", L""};
inline constexpr LogRow kRowNoContext{SeverityError, kTraceLoadAssistants, kSource, 167, L"Cannot create instance of context.", L""};
inline constexpr LogRow kRowNoErrorDB{SeverityError, kTraceLoadAssistants, kSource, 228, L"Cannot find error database.", L""};
inline constexpr LogRow kRowInsertFailed{SeverityError, kTraceLoadAssistants, kSource, 245, L"Assistant insertion", L""};
// clang-format on

} // namespace AssistCommonText
