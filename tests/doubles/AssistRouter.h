#pragma once
// The sixteen methods of an assistant routed to one: each call arrives as its
// method name and slot, the interface pointers passed in argument order, and
// the parameters only some methods have.
#include <initializer_list>
#include "LayerLib2.h"
#include "doubles/DoubleObject.h"
#include "support/Checks.h"

struct CAssistArgs
{
    const wchar_t* pszMethod = nullptr;
    int nSlot = 0;
    const void* apIn[3] = {};
    int nIn = 0;
    long bAsChild = 0;
    const VARIANT* pvValue = nullptr; // CheckPropertyChange
    BSTR bstrProtocol = nullptr;      // InitEx
    BSTR* pbstrErrMsg = nullptr;      // the checks
    BSTR* pbstrErrDB = nullptr;
    ICharacteristic** ppCharErr1 = nullptr; // CheckAll
    ICharacteristic** ppCharErr2 = nullptr;

    CAssistArgs(const wchar_t* method, int slot, std::initializer_list<const void*> in, BSTR* m = nullptr,
                BSTR* d = nullptr)
        : pszMethod(method), nSlot(slot), pbstrErrMsg(m), pbstrErrDB(d)
    {
        for (const void* p : in)
            apIn[nIn++] = p;
    }
};

// One check method of the product's list, routed.
#define ROUTED_CHECK(C, Name, Params, Args, Passed)                                  \
    STDMETHODIMP Check##Name Params override                                         \
    {                                                                                \
        return RunCheck(CheckId::Name, CHECK_ARGS Args, pbstrErrMsg, UUIDOfErrorDB); \
    }

// Base gives IAssist3 with IUnknown and IDispatch; Route answers every method.
template <class Base>
class CAssistRouter : public Base
{
public:
    STDMETHODIMP Init(IDispatch* pdispTopology, IDispatch* pdispLayer) override
    {
        return Route(CAssistArgs(L"Init", 7, {pdispTopology, pdispLayer}));
    }
    STDMETHODIMP Term() override { return Route(CAssistArgs(L"Term", 8, {})); }
    STDMETHODIMP NewProjectCreated() override { return Route(CAssistArgs(L"NewProjectCreated", 9, {})); }
    ASSIST_CHECKS(ROUTED_CHECK, )
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override
    {
        CAssistArgs args(L"InitEx", 22, {pdispTopology, pdispLayer});
        args.bstrProtocol = bstrProtocol;
        return Route(args);
    }

protected:
    virtual HRESULT Route(const CAssistArgs& args) = 0;

private:
    HRESULT RunCheck(CheckId id, const CheckArgs& a, BSTR* m, BSTR* d)
    {
        const CheckKind& kind = kChecks[static_cast<int>(id)];
        CAssistArgs args(kind.name, kind.nSlot, {}, m, d);
        // The pointers passed in matter to the record only, and listing them allocates.
        if (CRecording::On())
            for (const void* p : PassedIn(kind.nSlot, a))
                args.apIn[args.nIn++] = p;
        args.bAsChild = a.bAsChild;
        if (id == CheckId::PropertyChange)
            args.pvValue = &a.vValue;
        args.ppCharErr1 = a.ppCharErr1;
        args.ppCharErr2 = a.ppCharErr2;
        return Route(args);
    }
};
