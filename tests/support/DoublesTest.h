#pragma once
// Base fixture of the suites that use the COM doubles: a fresh host per test
// whose query and context classes are registered with the COM runtime,
// assistant classes registered on demand, and at the end the balance: every
// double created was destroyed and every task-memory block (BSTRs included)
// handed out during the test came back.
#include <gtest/gtest.h>
#include <memory>
#include <string_view>
#include <vector>
#include "doubles/AssistantDouble.h"
#include "doubles/HostDouble.h"
#include "testbed/AllocationCounter.h"

class DoublesTest : public testing::Test
{
protected:
    void SetUp() override;
    // Revokes the registrations, drops the host and checks the balance.
    void TearDown() override;

    CHostDouble& Host() { return *m_spHost; }
    // A class whose instances are assistant doubles named after name.
    CAssistantClass& RegisterAssistant(std::wstring_view name, std::wstring_view progId,
                                       AssistantKind kind = AssistantKind::Assist3);
    // A class registered under progId and bound as name in the first scope
    // (CRegistryScript::Bind). Suites run side by side: progId is the suite's own.
    CAssistantClass& BindAssistant(std::wstring_view name, std::wstring_view progId, std::wstring_view sub,
                                   AssistantKind kind = AssistantKind::Assist3)
    {
        Host().registry.Bind(LayerNames::kFirstScope, sub, name, progId);
        return RegisterAssistant(name, progId, kind);
    }
    // Deletes the module's error log, so the rows read next are the test's own.
    static void ClearLog();

private:
    std::shared_ptr<CHostDouble> m_spHost;
    std::vector<std::unique_ptr<CAssistantClass>> m_vecAssistantClasses;
};
