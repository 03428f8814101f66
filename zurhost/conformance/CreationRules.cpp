// Creation: the ProgID leads to a class that makes an assistant, answering
// its interfaces as one object and refusing to be aggregated.
#include "zurhost/Names.h"
#include "zurhost/conformance/ConformanceRun.h"

namespace {

bool SameObject(IUnknown* pFirst, IUnknown* pSecond)
{
    ComPtr<IUnknown> spFirst, spSecond;
    return pFirst && pSecond && SUCCEEDED(pFirst->QueryInterface(IID_PPV_ARGS(&spFirst))) &&
           SUCCEEDED(pSecond->QueryInterface(IID_PPV_ARGS(&spSecond))) && spFirst == spSecond;
}

void CheckInterfaces(ConformanceRun& run, IUnknown* pUnknown, ComPtr<IAssist2>& spAssist)
{
    run.findings.Judge(Rule::Interfaces);
    HRESULT hr = pUnknown->QueryInterface(IID_PPV_ARGS(&spAssist));
    if (FAILED(hr) || !spAssist) {
        run.findings.Fail(Rule::Interfaces, L"QueryInterface(IAssist2) answered " + HexCode(hr));
        spAssist.Reset();
        return;
    }
    if (!SameObject(pUnknown, spAssist.Get()))
        run.findings.Fail(Rule::Interfaces, L"QueryInterface(IUnknown) through IAssist2 gives another object");
    ComPtr<IAssist3> spAssist3;
    if (SUCCEEDED(pUnknown->QueryInterface(IID_PPV_ARGS(&spAssist3))) && !SameObject(pUnknown, spAssist3.Get()))
        run.findings.Fail(Rule::Interfaces, L"QueryInterface(IUnknown) through IAssist3 gives another object");
}

void CheckAggregation(ConformanceRun& run, REFCLSID clsid)
{
    run.findings.Judge(Rule::Aggregation);
    ComPtr<IUnknown> spInner;
    const std::wstring text = L"CoCreateInstance with an outer object";
    CallResult result = PutCall(run, Rule::Aggregation, text, [&] {
        return CoCreateInstance(clsid, run.spLayerProbe.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &spInner);
    });
    if (JudgeAnswer(run, text, result) && result.hr != CLASS_E_NOAGGREGATION)
        run.findings.Fail(Rule::Aggregation, L"CoCreateInstance with an outer object answered " + HexCode(result.hr) +
                                                 L", not CLASS_E_NOAGGREGATION");
}

} // namespace

ComPtr<IAssist2> CheckCreation(ConformanceRun& run)
{
    run.findings.Judge(Rule::Creation);
    ComPtr<IAssist2> spAssist;
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(run.strProgId.c_str(), &clsid);
    if (FAILED(hr)) {
        run.findings.Fail(Rule::Creation, L"CLSIDFromProgID(\"" + run.strProgId + L"\") answered " + HexCode(hr));
        return spAssist;
    }
    ComPtr<IUnknown> spUnknown;
    CallResult result = PutCall(run, Rule::Creation, L"CoCreateInstance(\"" + run.strProgId + L"\")", [&] {
        return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&spUnknown));
    });
    if (result.bFaulted || FAILED(result.hr) || !spUnknown) {
        run.findings.Fail(Rule::Creation, L"CoCreateInstance(\"" + run.strProgId + L"\") answered " +
                                              (result.bFaulted ? L"with an exception" : HexCode(result.hr)));
        return spAssist;
    }
    CheckInterfaces(run, spUnknown.Get(), spAssist);
    CheckAggregation(run, clsid);
    return spAssist;
}
