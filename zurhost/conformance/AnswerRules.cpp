// The rules every answer to a check is judged by: no structured exception,
// every out-parameter written, strings that are BSTRs, and failures that say
// what failed and where to look it up.
#include "com/Owners.h"
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"

namespace {

// The length prefix sits right before the text; on 64-bit the block starts
// four bytes earlier still, so the text stays aligned.
constexpr size_t g_cbBstrHeader = sizeof(void*);

// The thread's stack is one reservation: a pointer into it shares its base.
bool OnThisStack(const void* p)
{
    int iLocal = 0;
    MEMORY_BASIC_INFORMATION stack{}, string{};
    return VirtualQuery(&iLocal, &stack, sizeof(stack)) && VirtualQuery(p, &string, sizeof(string)) &&
           stack.AllocationBase == string.AllocationBase;
}

// Reads and frees a sound string; an unsound one is left alone (freeing it
// could bring the host down) and reported.
bool TakeString(ConformanceRun& run, const std::wstring& strAt, const wchar_t* pszName, BSTR& bstr,
                std::wstring& strText)
{
    if (CheckOuts::IsUnset(bstr))
        return false;
    std::wstring problem = BstrProblem(bstr);
    if (!problem.empty()) {
        run.findings.Fail(Rule::Strings, strAt + L" and handed out " + pszName + L" " + problem);
        return false;
    }
    strText.assign(BstrView(bstr));
    SysFreeString(bstr);
    bstr = nullptr;
    return true;
}

void CheckOutParameters(ConformanceRun& run, const std::wstring& strAt, const CheckOuts& outs)
{
    if (CheckOuts::IsUnset(outs.bstrMsg))
        run.findings.Fail(Rule::OutParameters, strAt + L" and left pbstrErrMsg unset");
    if (CheckOuts::IsUnset(outs.bstrErrDB))
        run.findings.Fail(Rule::OutParameters, strAt + L" and left UUIDOfErrorDB unset");
}

void CheckFailureInfo(ConformanceRun& run, const std::wstring& strAt, bool bMsg, const std::wstring& msg, bool bErrDB,
                      const std::wstring& errDB)
{
    if (bMsg && msg.empty())
        run.findings.Fail(Rule::FailureInfo, strAt + L" without a message");
    if (!bErrDB)
        return;
    CBstr bstrErrDB(errDB);
    if (errDB.empty())
        run.findings.Fail(Rule::FailureInfo, strAt + L" without an error database");
    else if (!run.plant.KnowsErrorDatabase(bstrErrDB.Get()))
        run.findings.Fail(Rule::FailureInfo, strAt + L" naming error database " + errDB + L", which the host lacks");
}

void ReleaseHandedOut(ICharacteristic*& pChar)
{
    if (pChar)
        pChar->Release();
    pChar = nullptr;
}

} // namespace

std::wstring BstrProblem(BSTR bstr)
{
    if (!bstr)
        return {};
    if (OnThisStack(bstr))
        return L"that lies on the stack";
    BYTE* pBlock = reinterpret_cast<BYTE*>(bstr) - g_cbBstrHeader;
    ComPtr<IMalloc> spMalloc;
    if (FAILED(CoGetMalloc(1, &spMalloc)) || spMalloc->DidAlloc(pBlock) != 1)
        return L"that is no block of the task allocator (not made by SysAllocString)";
    SIZE_T cbBlock = spMalloc->GetSize(pBlock);
    UINT cbText = SysStringByteLen(bstr);
    if (cbText % sizeof(wchar_t) != 0 || g_cbBstrHeader + cbText + sizeof(wchar_t) > cbBlock)
        return L"whose length prefix " + std::to_wstring(cbText) + L" does not fit its block of " +
               std::to_wstring(cbBlock) + L" bytes";
    if (bstr[cbText / sizeof(wchar_t)] != L'\0')
        return L"without its terminating zero";
    return {};
}

bool JudgeAnswer(ConformanceRun& run, const std::wstring& strCall, const CallResult& result, unsigned judging)
{
    if (result.bSkipped)
        return false;
    if (!result.bFaulted)
        return true;
    run.bFaulted = true;
    run.findings.Fail((judging & JudgeUnusual) ? Rule::Robustness : Rule::Exceptions,
                      strCall + L" raised exception " + HexCode(static_cast<HRESULT>(result.dwException)));
    return false;
}

void JudgeAnswer(ConformanceRun& run, const std::wstring& strCall, const CallResult& result, CheckOuts& outs,
                 unsigned judging)
{
    if (!JudgeAnswer(run, strCall, result, judging))
        return;
    const std::wstring strAt = strCall + L" answered " + HexCode(result.hr);
    if (judging & JudgeOuts)
        CheckOutParameters(run, strAt, outs);
    bool bMsg = TakeString(run, strAt, L"pbstrErrMsg", outs.bstrMsg, outs.strMsg);
    bool bErrDB = TakeString(run, strAt, L"UUIDOfErrorDB", outs.bstrErrDB, outs.strErrDB);
    if ((judging & JudgeFailureInfo) && FAILED(result.hr))
        CheckFailureInfo(run, strAt, bMsg, outs.strMsg, bErrDB, outs.strErrDB);
    ReleaseHandedOut(outs.pChar1);
    ReleaseHandedOut(outs.pChar2);
    if (judging & JudgeTime)
        run.times.push_back({result.dMicros, strCall});
}

CheckAnswer AskAssistant(ConformanceRun& run, IAssist2* pAssist, const CPlant& plant, const CheckCall& call,
                         unsigned judging)
{
    CPreparedCheck check(plant, call);
    std::wstring text = Describe(call);
    run.spLayerProbe->Enter(text);
    CheckAnswer answer{PutCall(run, Rule::Timing, text, [&] { return check.Ask(pAssist); }), {}, {}};
    run.spLayerProbe->Leave();
    JudgeAnswer(run, text, answer.result, check.outs, judging);
    answer.strMsg = std::move(check.outs.strMsg);
    answer.strErrDB = std::move(check.outs.strErrDB);
    return answer;
}
