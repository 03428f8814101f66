// Catalogue values that are no text: a number is read as its digits and
// names no class, data that converts to no text stops the scope. Either way
// the check finds no assistant and the log has the rows. ProgIDs that name
// nothing (long, or with a zero inside) and protocol names with zeros belong
// to the catalogue and layer suites.
#include "com/ComObject.h"
#include "com/Owners.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"
#include "support/TestEnvironment.h"

namespace {

using HostileInputTest = RobustTest;

TEST_F(HostileInputTest, ProgIdsThatAreNoTextLeaveTheCatalogueEmptyWithTheirRows)
{
    const struct
    {
        const char* name;
        CVariant vProgId;
        const char* row; // expected in the log
    } cases[] = {
        {"number", CVariant::Long(12345), ",Cannot create instance of assistant.(12345),"},
        {"not convertible",
         [] {
             CVariant v; // a null VT_DISPATCH
             v.vt = VT_DISPATCH;
             return v;
         }(),
         ",149,0x80020008,Cannot find assistant.(),"},
    };
    IComponent* piComp = Host().AddComponent(L"C", {L"PA"}).AsComponent();
    Host().registry.SetString(9, L"BindedAssistants_ErrDB", L"PA", L"dbPA");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearLog();
        Host().registry.SetVariant(9, L"BindedAssistants", L"PA", c.vProgId);
        Microsoft::WRL::ComPtr<IAssistLayer2> spLayer;
        ASSERT_EQ(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer), S_OK);
        ASSERT_EQ(spLayer->Init(Host().TopologyDispatch()), S_OK);
        CBstr msg, db;
        EXPECT_EQ(Hex(spLayer->CheckInsertDrop(msg.Out(), piComp, piComp, piComp, 0, db.Out())), Hex(E_FAIL));
        const std::string log = FileText(ErrorLogPath());
        EXPECT_NE(log.find(c.row), std::string::npos) << log.substr(0, 400);
        // The scope's loading stopped and neither scope gave an assistant.
        EXPECT_NE(log.find("CAssistCommon::LoadAssistants,.\\AssistCommon,149,"), std::string::npos);
        EXPECT_EQ(spLayer->Term(), S_OK);
    }
}

} // namespace
