// Hostile registry contents and inputs: huge catalogues, ProgIDs that name
// nothing, values of the wrong type, names of 32,000 characters and protocol
// names with embedded zeros. Each gives a clear result and its log rows, and
// nothing runs past a buffer.
#include "com/Owners.h"
#include "com/ComObject.h"
#include "layer/AssistLayer.h"
#include "robustness/RobustFixture.h"
#include "support/TestEnvironment.h"

namespace {

constexpr wchar_t kProgId[] = L"Robust.Assistant";

class HostileInputTest : public RobustTest
{
protected:
    void SetUp() override
    {
        RobustTest::SetUp();
        RegisterAssistant(L"B", kProgId);
    }
    void TearDown() override
    {
        m_spLayer.Reset();
        RobustTest::TearDown();
    }

    // One catalogue entry in scope 9: the ProgID (or other data) and an error database.
    void Bind(const std::wstring& protocol, const VARIANT& vProgId)
    {
        Host().registry.SetString(9, L"BindedAssistants_ErrDB", protocol, L"db" + protocol);
        Host().registry.SetVariant(9, L"BindedAssistants", protocol, vProgId);
    }
    HRESULT CreateAndInit()
    {
        HRESULT hr = CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &m_spLayer);
        return FAILED(hr) ? hr : m_spLayer->Init(Host().TopologyDispatch());
    }
    // CheckInsertDrop on a component with these protocols; the bus name afterwards.
    HRESULT Check(const std::vector<std::wstring>& protocols, std::wstring* pBus)
    {
        IComponent* piComp = Host().AddComponent(L"C", protocols).AsComponent();
        CBstr msg, db, bus;
        const HRESULT hr = m_spLayer->CheckInsertDrop(msg.Out(), piComp, piComp, piComp, 0, db.Out());
        m_spLayer->GetProcessedBusName(bus.Out());
        *pBus = std::wstring(bus.View());
        return hr;
    }

    Microsoft::WRL::ComPtr<IAssistLayer2> m_spLayer;
};

TEST_F(HostileInputTest, ProgIdsThatNameNothingOrAreNoTextLeaveTheCatalogueEmptyWithTheirRows)
{
    struct Case
    {
        const char* name;
        CVariant vProgId;
        const char* row; // expected in the log, or null
    };
    const Case cases[] = {
        {"number", CVariant::Long(12345), "Cannot create instance of assistant.(12345)"},
        {"32,000 characters", CVariant::String(std::wstring(32000, L'x')),
         "Cannot create instance of assistant.(xxxxxxxx"},
        {"embedded zero", CVariant::String(std::wstring_view(L"Layer\0Bench", 11)), ",0x800401f3,"},
        {"not convertible",
         [] {
             CVariant v; // a null VT_DISPATCH
             v.vt = VT_DISPATCH;
             return v;
         }(),
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearLog();
        Host().registry.RemoveKey(9, L"BindedAssistants");
        Bind(L"PA", c.vProgId);
        ASSERT_EQ(CreateAndInit(), S_OK);
        std::wstring bus;
        EXPECT_EQ(Hex(Check({L"PA"}, &bus)), Hex(E_FAIL));
        const std::string log = FileText(ErrorLogPath());
        if (c.row) {
            EXPECT_NE(log.find(c.row), std::string::npos) << log.substr(0, 400);
        }
        // The scope's loading stopped and neither scope gave an assistant.
        EXPECT_NE(log.find("CAssistCommon::LoadAssistants,.\\AssistCommon,149,"), std::string::npos);
        EXPECT_EQ(m_spLayer->Term(), S_OK);
        m_spLayer.Reset();
    }
}

// Ten thousand values, one of 32,000 characters and one with a zero inside:
// all loaded, and a name matches only in full.
TEST_F(HostileInputTest, HugeCataloguesAndNamesOfAnyLengthOrWithZerosMatchOnlyInFull)
{
    const std::wstring longName(32000, L'L');
    const std::wstring zeroName(L"PA\0X", 4);
    const CVariant progId = CVariant::String(kProgId);
    for (int i = 0; i < 10000; ++i)
        Bind(L"P" + std::to_wstring(i), progId);
    Bind(longName, progId);
    Bind(zeroName, progId);
    ASSERT_EQ(CreateAndInit(), S_OK);
    std::wstring bus;
    for (const std::wstring& name : {std::wstring(L"P9999"), longName, zeroName}) {
        EXPECT_EQ(Check({name, L"P0"}, &bus), S_OK);
        EXPECT_EQ(bus, name);
    }
    // Cut at the zero, or one character short, it is another protocol.
    for (const std::wstring& name : {std::wstring(L"PA"), longName.substr(1)})
        EXPECT_EQ(Hex(Check({name}, &bus)), Hex(E_FAIL));
    EXPECT_EQ(m_spLayer->Term(), S_OK);
}

} // namespace
