#pragma once
// The lean host of the bench, with its fault plan, and scripted assistants
// that count in the same plan: every host or assistant call of a scenario
// has a number, and any one of them can be made to fail.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>
#include "testbed/FastHost.h"
#include "doubles/AssistRouter.h"
#include "support/Checks.h"

// One answer of a scripted assistant to every check.
struct CScriptAnswer
{
    HRESULT hr = S_OK;
    std::wstring strMsg = L"ok";
    bool bNullMsg = false;
    std::wstring strErrDB; // empty: a null identifier
};

// An assistant that answers from its script, records each call and counts
// in the fault plan.
class CScriptedAssistant : public CComRootSingleThreaded, public CAssistRouter<CNoDispatch<IAssist3>>
{
public:
    BEGIN_INTERFACE_TABLE(CScriptedAssistant)
    INTERFACE_ENTRY(IAssist3)
    INTERFACE_ENTRY_IID(IID_IAssist2, IAssist3)
    INTERFACE_ENTRY_IID(IID_IDispatch, IAssist3)
    END_INTERFACE_TABLE()

    // A new assistant held by the caller's one reference.
    static CScriptedAssistant* New(int nId) { return CComObject<CScriptedAssistant>::New(nId).Detach(); }
    explicit CScriptedAssistant(int nId) : m_nId(nId) {}
    virtual ~CScriptedAssistant() = default;
    ULONG References() const noexcept { return m_refCount.Value(); }

    int m_nId;
    CScriptAnswer m_answer;

    // Every check call of every assistant, as (id, slot), in order.
    static std::vector<std::pair<int, int>>& Calls();
    // Set when an assistant showed the planned fault: its id and how many
    // check calls this assistant's step had made before it (from 0).
    static inline int s_nFaultedId = -1;
    static inline int s_nFaultedPosition = -1;
    static inline int s_nStepCalls = 0;

private:
    HRESULT Route(const CAssistArgs& args) override;
    HRESULT Lifecycle();
    HRESULT Answer(int nSlot, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB);
};

// Runs a check of the layer on the component and the two characteristics (the
// first also the changed property); what CheckAll hands back is released.
HRESULT RunCheck(IAssistLayer2* pLayer, const CheckKind& kind, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB, CFastNode* pComp,
                 CFastNode* pChar1, CFastNode* pChar2);

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
