#pragma once
// The layer on the doubles with recording off: every host or assistant call
// has a number in the fault plan, and none of them allocates while the
// allocations of a scenario fail one by one.
#include <string>
#include <vector>
#include "support/Checks.h"
#include "support/DoublesTest.h"

class RobustTest : public DoublesTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    // An assistant answering every call with S_OK, message "ok" and no error database.
    CAssistantHandle& NewAssistant();
    // Adds the assistant under a protocol, with error database "db<protocol>".
    static HRESULT Add(IAssistLayer2* pLayer, const std::wstring& protocol, const CAssistantHandle& assistant);
    // References held on the host's objects and the assistants beyond their owners'.
    long ForeignReferences();

    std::vector<CAssistantHandle> m_vecAssistants;
};

// Runs a check of the layer on the component and the two characteristics (the
// first also the changed property); what CheckAll hands back is released.
HRESULT RunCheck(IAssistLayer2* pLayer, const CheckKind& kind, BSTR* pbstrErrMsg, BSTR* UUIDOfErrorDB,
                 CNodeDouble& component, CNodeDouble& char1, CNodeDouble& char2);
std::string Hex(HRESULT hr);
