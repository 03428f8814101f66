// References: the simulator counts its live objects, so every host object the
// assistant took during its life shows until it lets go; and the assistant
// itself must go with the caller's last Release. Neither can be judged after
// a structured exception abandoned a call with its references.
#include "zurhost/conformance/ConformanceRun.h"

namespace {

bool JudgeableAfterFaults(ConformanceRun& run, Rule rule)
{
    if (run.findings.Stopped()) // Term may not have been put
        return false;
    if (!run.bFaulted)
        return true;
    run.findings.Note(rule, L"not judged: a structured exception abandoned a call and the references it held");
    return false;
}

} // namespace

void CheckHostReferences(ConformanceRun& run, long lBefore)
{
    if (!JudgeableAfterFaults(run, Rule::HostReferences))
        return;
    run.findings.Judge(Rule::HostReferences);
    const long lAfter = run.plant.LiveObjects();
    if (lAfter != lBefore)
        run.findings.Fail(Rule::HostReferences, L"after Term " + std::to_wstring(lAfter - lBefore) +
                                                    L" more host objects are alive than before Init (" +
                                                    std::to_wstring(lAfter) + L" against " + std::to_wstring(lBefore) +
                                                    L")");
}

void CheckOwnReferences(ConformanceRun& run, ComPtr<IAssist2>& spAssist)
{
    if (!spAssist || !JudgeableAfterFaults(run, Rule::OwnReferences))
        return;
    run.findings.Judge(Rule::OwnReferences);
    IAssist2* pAssist = spAssist.Detach();
    CallResult result =
        PutCall(run, Rule::OwnReferences, L"Release()", [&] { return static_cast<HRESULT>(pAssist->Release()); });
    if (JudgeAnswer(run, L"Release()", result) && result.hr != 0)
        run.findings.Fail(Rule::OwnReferences, L"the caller's last Release() left " + std::to_wstring(result.hr) +
                                                   L" references: the assistant lives on");
}
