#pragma once
// The lean host of the bench, with its fault plan, and scripted assistants
// that count in the same plan: every host or assistant call of a scenario
// has a number, and any one of them can be made to fail.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "bench/FastHost.h"

// One answer of a scripted assistant to every check.
struct CScriptAnswer
{
    HRESULT hr = S_OK;
    std::wstring strMsg = L"ok";
    bool bNullMsg = false;
    std::wstring strErrDB;   // empty: a null identifier
};

// An assistant that answers from its script, records each call and counts
// in the fault plan. Its references are counted by hand.
class CScriptedAssistant : public CNoDispatch<IAssist3>
{
public:
    explicit CScriptedAssistant(int nId) : m_nId(nId) {}
    virtual ~CScriptedAssistant() = default;

    int m_nId;
    ULONG m_lRefs = 1;
    CScriptAnswer m_answer;

    // Every check call of every assistant, as (id, slot), in order.
    static std::vector<std::pair<int, int>>& Calls();
    // Set when an assistant showed the planned fault: its id and how many
    // check calls this assistant's step had made before it (from 0).
    static inline int s_nFaultedId = -1;
    static inline int s_nFaultedPosition = -1;
    static inline int s_nStepCalls = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_lRefs; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Init(IDispatch*, IDispatch*) override { return Lifecycle(); }
    STDMETHODIMP InitEx(IDispatch*, IDispatch*, BSTR) override { return Lifecycle(); }
    STDMETHODIMP Term() override { return Lifecycle(); }
    STDMETHODIMP NewProjectCreated() override { return Lifecycle(); }
    STDMETHODIMP CheckNewDevice(BSTR* m, IComponent*, BSTR* d) override { return Answer(10, m, d); }
    STDMETHODIMP CheckAll(BSTR* m, IComponent*, ICharacteristic**, ICharacteristic**, BSTR* d) override
    {
        return Answer(11, m, d);
    }
    STDMETHODIMP CheckPropertyChange(BSTR* m, IComponent*, IPropertyData*, VARIANT, BSTR* d) override
    {
        return Answer(12, m, d);
    }
    STDMETHODIMP CheckInsertDrag(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(13, m, d);
    }
    STDMETHODIMP CheckInsertDrop(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(14, m, d);
    }
    STDMETHODIMP CheckMoveDrag(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(15, m, d);
    }
    STDMETHODIMP CheckMoveDrop(BSTR* m, IComponent*, IComponent*, IComponent*, LONG, BSTR* d) override
    {
        return Answer(16, m, d);
    }
    STDMETHODIMP CheckReplaceDrag(BSTR* m, IComponent*, IComponent*, IComponent*, BSTR* d) override
    {
        return Answer(17, m, d);
    }
    STDMETHODIMP CheckReplaceDrop(BSTR* m, IComponent*, IComponent*, IComponent*, BSTR* d) override
    {
        return Answer(18, m, d);
    }
    STDMETHODIMP CheckConnect(BSTR* m, IComponent*, ICharacteristic*, ICharacteristic*, BSTR* d) override
    {
        return Answer(19, m, d);
    }
    STDMETHODIMP CheckDisconnect(BSTR* m, IComponent*, ICharacteristic*, ICharacteristic*, BSTR* d) override
    {
        return Answer(20, m, d);
    }
    STDMETHODIMP CheckDelete(BSTR* m, IComponent*, IComponent*, BSTR* d) override { return Answer(21, m, d); }

private:
    HRESULT Lifecycle();
    HRESULT Answer(int nSlot, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB);
};

// The twelve checks of the layer, called with one set of arguments.
struct CLayerCheck
{
    const char* name;
    int nSlot;
    bool bFirstFalseRefused;  // an S_FALSE of the first protocol counts as E_FAIL
    bool bFirstResult;        // answered by the first result, not the worst
    HRESULT (*pfnCall)(IAssistLayer2* pLayer, BSTR* m, BSTR* d, IComponent* piComp, ICharacteristic* piChar1,
                       ICharacteristic* piChar2);
};
extern const CLayerCheck kLayerChecks[12];

// A host, its registration with the COM runtime, and assistants by id.
class RobustTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void SetOption(const wchar_t* name, long lValue);
    CScriptedAssistant* NewAssistant();
    // Adds the assistant under a protocol, with error database "db<protocol>".
    HRESULT Add(IAssistLayer2* pLayer, const std::wstring& protocol, CScriptedAssistant* pAssistant);
    // References still held on host objects and assistants beyond their owners'.
    long ForeignReferences() const;

    std::unique_ptr<CFastHost> m_spHost;
    std::vector<CScriptedAssistant*> m_vecAssistants;
};

std::string Hex(HRESULT hr);
