// A catalogue value that is no text is read as text: a number as its digits,
// which name no class. Data that converts to no text stops the scope as an
// unreadable value does (the catalogue suite's "ProgID" row); ProgIDs that
// name nothing, long or with a zero inside, and protocol names with zeros
// belong to the catalogue and layer suites.
#include "com/ComObject.h"
#include "com/Owners.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"
#include "support/TestEnvironment.h"

namespace {

using HostileInputTest = RobustTest;

TEST_F(HostileInputTest, AProgIdGivenAsANumberIsReadAsItsDigitsAndNamesNothing)
{
    Host().registry.SetString(9, L"BindedAssistants_ErrDB", L"PA", L"dbPA");
    Host().registry.SetVariant(9, L"BindedAssistants", L"PA", CVariant::Long(12345));
    Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
    ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer), S_OK);
    ClearLog();
    ASSERT_EQ(spLayer->Init(Host().TopologyDispatch()), S_OK);
    IComponent* piComp = Host().AddComponent(L"C", {L"PA"}).AsComponent();
    CBstr msg, db;
    EXPECT_EQ(Hex(spLayer->CheckInsertDrop(msg.Out(), piComp, piComp, piComp, 0, db.Out())), Hex(E_FAIL));
    const std::string log = FileText(ErrorLogPath());
    EXPECT_NE(log.find(",0x800401f3,Cannot create instance of assistant.(12345),"), std::string::npos) << log;
    // The scope's loading stopped and neither scope gave an assistant.
    EXPECT_NE(log.find("CAssistCommon::LoadAssistants,.\\AssistCommon,149,0x800401f3,"), std::string::npos) << log;
    EXPECT_EQ(spLayer->Term(), S_OK);
}

} // namespace
