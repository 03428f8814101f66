#pragma once
// The sixteen methods of an assistant routed to one: each call arrives as its
// method name and slot, the interface pointers passed in argument order, and
// the parameters only some methods have.
#include <initializer_list>
#include "LayerLib2.h"

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
    STDMETHODIMP CheckNewDevice(BSTR* m, IComponent* piComponent3, BSTR* d) override
    {
        return Route(CAssistArgs(L"CheckNewDevice", 10, {piComponent3}, m, d));
    }
    STDMETHODIMP CheckAll(BSTR* m, IComponent* piCompRoot, ICharacteristic** piCharErr1, ICharacteristic** piCharErr2,
                          BSTR* d) override
    {
        CAssistArgs args(L"CheckAll", 11, {piCompRoot}, m, d);
        args.ppCharErr1 = piCharErr1;
        args.ppCharErr2 = piCharErr2;
        return Route(args);
    }
    STDMETHODIMP CheckPropertyChange(BSTR* m, IComponent* piCompRoot, IPropertyData* pData, VARIANT vValue,
                                     BSTR* d) override
    {
        CAssistArgs args(L"CheckPropertyChange", 12, {piCompRoot, pData}, m, d);
        args.pvValue = &vValue;
        return Route(args);
    }
    STDMETHODIMP CheckInsertDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* t, long b, BSTR* d) override
    {
        return Drag(L"CheckInsertDrag", 13, m, r, c, t, b, d);
    }
    STDMETHODIMP CheckInsertDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* t, long b, BSTR* d) override
    {
        return Drag(L"CheckInsertDrop", 14, m, r, c, t, b, d);
    }
    STDMETHODIMP CheckMoveDrag(BSTR* m, IComponent* r, IComponent* c, IComponent* t, long b, BSTR* d) override
    {
        return Drag(L"CheckMoveDrag", 15, m, r, c, t, b, d);
    }
    STDMETHODIMP CheckMoveDrop(BSTR* m, IComponent* r, IComponent* c, IComponent* t, long b, BSTR* d) override
    {
        return Drag(L"CheckMoveDrop", 16, m, r, c, t, b, d);
    }
    STDMETHODIMP CheckReplaceDrag(BSTR* m, IComponent* r, IComponent* p, IComponent* c, BSTR* d) override
    {
        return Route(CAssistArgs(L"CheckReplaceDrag", 17, {r, p, c}, m, d));
    }
    STDMETHODIMP CheckReplaceDrop(BSTR* m, IComponent* r, IComponent* p, IComponent* c, BSTR* d) override
    {
        return Route(CAssistArgs(L"CheckReplaceDrop", 18, {r, p, c}, m, d));
    }
    STDMETHODIMP CheckConnect(BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d) override
    {
        return Route(CAssistArgs(L"CheckConnect", 19, {r, c1, c2}, m, d));
    }
    STDMETHODIMP CheckDisconnect(BSTR* m, IComponent* r, ICharacteristic* c1, ICharacteristic* c2, BSTR* d) override
    {
        return Route(CAssistArgs(L"CheckDisconnect", 20, {r, c1, c2}, m, d));
    }
    STDMETHODIMP CheckDelete(BSTR* m, IComponent* r, IComponent* c, BSTR* d) override
    {
        return Route(CAssistArgs(L"CheckDelete", 21, {r, c}, m, d));
    }
    STDMETHODIMP InitEx(IDispatch* pdispTopology, IDispatch* pdispLayer, BSTR bstrProtocol) override
    {
        CAssistArgs args(L"InitEx", 22, {pdispTopology, pdispLayer});
        args.bstrProtocol = bstrProtocol;
        return Route(args);
    }

protected:
    virtual HRESULT Route(const CAssistArgs& args) = 0;

private:
    HRESULT Drag(const wchar_t* method, int nSlot, BSTR* m, IComponent* r, IComponent* c, IComponent* t, long b,
                 BSTR* d)
    {
        CAssistArgs args(method, nSlot, {r, c, t}, m, d);
        args.bAsChild = b;
        return Route(args);
    }
};
