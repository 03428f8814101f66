// The twelve checks through the layer's interface: which assistant is asked
// with which arguments, and what the host gets back.
#include <functional>
#include "layer/LayerFixture.h"

// A speaks P, B speaks Q. X speaks P and Q, and P's attribute belongs to Y;
// c1 lies in X's entity of P, c2 is a characteristic of Z, which speaks P and Q.
class LayerChecks : public LayerTest
{
protected:
    void SetUp() override
    {
        LayerTest::SetUp();
        ASSERT_EQ(Init(), S_OK);
        m_spA = Add(L"P");
        m_spB = Add(L"Q");
        m_pX = &Host().AddComponent(L"X", {L"P", L"Q"});
        m_pY = &Host().AddComponent(L"Y");
        m_pX->Entities()[0]->Protocol().SetOwner(m_pY);
        m_pC1 = &m_pX->Entities()[0]->AddCharacteristic(L"c1");
        m_pC2 = &Host().AddComponent(L"Z", {L"P", L"Q"}).AddCharacteristic(L"c2");
        // The root is X too: CheckAll walks it, the others pass it on.
        m_args = ArgsOn(*m_pX, *m_pX, Host().AddComponent(L"dest"), *m_pC1, *m_pC2, &m_pNoChar, &m_pNoChar);
        m_vValue.vt = VT_BSTR;
        m_vValue.bstrVal = m_bstrValue.Get();
        m_args.pvValue = &m_vValue;
    }
    // What an assistant of this check receives, with the component handed on.
    std::vector<const void*> Passed(const CheckKind& kind, CNodeDouble* pHandedOn)
    {
        CheckArgs args = m_args;
        args.piComp = pHandedOn->AsComponent();
        return PassedIn(kind.nSlot, args);
    }

    CBstr m_bstrValue{std::wstring(L"v\0w", 3)};
    VARIANT m_vValue{};
    std::shared_ptr<CAssistantState> m_spA, m_spB;
    CNodeDouble *m_pX = nullptr, *m_pY = nullptr, *m_pC1 = nullptr, *m_pC2 = nullptr;
    CheckArgs m_args;
    ICharacteristic* m_pNoChar = nullptr; // nobody hands one back here
};

// The host gets every step by name and each bus by its own text, in order;
// a later check sends the texts an earlier one sent again.
TEST_F(LayerChecks, EachCheckAsksTheAssistantsItsArgumentsLeadTo)
{
    // Texts reach the host whole, zeros included.
    const std::wstring broken(L"bro\0ken", 7);
    CAnswer failure = CAnswer::Of(E_FAIL);
    failure.optMsg = broken;
    m_spA->Script().AnswerAll(failure);
    m_spB->Script().AnswerAll(CAnswer::Of(S_OK, L"fine", L"ownDb"));
    Texts walk{L"CAssistLayer::CheckInsertDrop", L"CAssistLayer::GetFirstProtocol"};
    for (const wchar_t* bus : {L"P", L"Q"})
        walk.insert(walk.end(), {bus, L"CAssistLayer::GetAssistFromProtocol", L"CAssistLayer::GetComponentFromProtocol",
                                 L"CAssistCommon::SelectProperErrorDBforRetval", L"CAssistLayer::GetNextProtocol"});
    walk.insert(walk.end(), {L"CAssistCommon::GetWorstResult", L"CAssistCommon::ClearResults"});
    for (const CheckKind& kind : kChecks) {
        SCOPED_TRACE(NarrowName(kind));
        BSTR bstr = nullptr;
        EXPECT_EQ(CallCheck(Layer(), kind.nSlot, nullptr, m_args, &bstr), E_POINTER);
        EXPECT_EQ(CallCheck(Layer(), kind.nSlot, &bstr, m_args, nullptr), E_POINTER);
        CCallLog::Clear();
        EXPECT_EQ(Run(kind, m_args), E_FAIL);
        EXPECT_EQ(Traces().front(), L"CAssistLayer::" + std::wstring(kind.name));
        if (kind.name == std::wstring_view(L"CheckInsertDrop")) {
            EXPECT_EQ(Traces(), walk);
        }
        EXPECT_EQ(Text(m_bstrMsg) + L"|" + Text(m_bstrDB) + L"|" + BusName(), broken + L"|dbP|P");

        // A property inside an entity asks that entity's assistant alone.
        std::vector<std::pair<CAssistantState*, std::vector<const void*>>> expected{
            {m_spA.get(), Passed(kind, kind.bProtocolComponent ? m_pY : m_pX)}};
        if (kind.nSlot != 12)
            expected.emplace_back(m_spB.get(), Passed(kind, m_pX));
        Texts methods;
        for (const auto& [pAssistant, vecIn] : expected) {
            methods.push_back(pAssistant->Name() + L"." + kind.name);
            const CAssistCall* pCall = pAssistant->LastCallOf(kind.name);
            ASSERT_NE(pCall, nullptr);
            EXPECT_EQ(pCall->vecIn, vecIn);
            EXPECT_EQ(pCall->bAsChild, kind.nSlot >= 13 && kind.nSlot <= 16 ? 7 : 0);
            // The host's own string, to CheckPropertyChange alone.
            EXPECT_EQ(pCall->vValueBits.bstrVal, kind.nSlot == 12 ? m_bstrValue.Get() : nullptr);
        }
        EXPECT_EQ(CCallLog::Only({L"P.", L"Q."}), methods);
    }
}

// A walk that cannot read a protocol, or finds no assistant for it, asks
// nobody and the check fails: there is no fall-back to the component's other
// protocols. The walk's own answer and bus name, which no host sees, stay
// behind it. Host calls that fail belong to the fault injection, where a walk
// ends among readable protocols to the random scenarios.
TEST_F(LayerChecks, AWalkThatCannotReadAProtocolAsksNobody)
{
    using A = CheckArgs&;
    using C = CNodeDouble&;
    const struct
    {
        const char* name;
        const wchar_t* check;
        std::function<void(A, C)> fnPrepare;
        const wchar_t* trace = nullptr; // the walk's last
        HRESULT hrWalk = S_FALSE;
        const wchar_t* bus = L"__NONE__";
    } rows[] = {
        {"no characteristic", L"CheckInsertDrop", [](A, C c) { c.bCharacteristic = false; },
         L"Not found Root in Component, call SYSTEM Assistant with __NONE__ bus"},
        {"no protocol attribute", L"CheckInsertDrop", [](A, C c) { c.Entities()[0]->RemoveSubItem(L"@protocol"); }},
        {"value no text", L"CheckInsertDrop", [](A, C c) { c.Entities()[0]->Protocol().vValue.Out()->vt = VT_I4; }},
        {"no assistant", L"CheckInsertDrop", [](A, C) {}, L"Cannot find assistant.", LayerNames::kNoAssistant, L"R"},
        {"no property", L"CheckPropertyChange", [](A a, C) { a.pData = nullptr; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // A walk that ends elsewhere than at the start speaks the bus it names.
        CNodeDouble& component = Host().AddComponent(L"C", {row.hrWalk == S_FALSE ? L"P" : row.bus});
        CheckArgs args = m_args;
        args.piComp = component.AsComponent();
        row.fnPrepare(args, component);
        EXPECT_EQ(Run(Check(row.check), args), E_FAIL);
        const Texts traces = Traces();
        EXPECT_TRUE(m_spA->Calls().empty() && m_spB->Calls().empty());
        EXPECT_TRUE(m_bstrMsg.IsNull() && m_bstrDB.IsNull());
        EXPECT_EQ(BusName(), L"");
        if (!row.trace)
            continue;
        EXPECT_EQ(Texts(traces.end() - 3, traces.end()),
                  (Texts{row.trace, L"CAssistCommon::GetWorstResult", L"CAssistCommon::ClearResults"}));
        Microsoft::WRL::ComPtr<IPropertyData> spNode;
        EXPECT_EQ(static_cast<CLayerProbe*>(Layer())->GetFirstProtocol(args.piComp, &spNode, nullptr), row.hrWalk);
        EXPECT_EQ(BusName(), row.bus);
    }
}

TEST_F(LayerChecks, AProtocolWithoutAComponentOfItsOwnHandsOnTheHostsOrNull)
{
    Host().query.bOwnerQueryEmpty = true;
    m_pX->Entities()[0]->Protocol().SetOwner(nullptr);             // leads to no component: X
    m_pX->Entities()[1]->Protocol().hrGetOwningComponent = E_FAIL; // fails: null is handed on
    EXPECT_EQ(Run(Check(L"CheckInsertDrop"), m_args), S_OK);
    EXPECT_EQ(m_spA->Calls()[0].vecIn[1], m_pX->AsComponent());
    EXPECT_EQ(m_spB->Calls()[0].vecIn[1], nullptr);
}

// A script calls CheckAll late-bound with its variables by reference: the
// assistants get the object its variable holds, as the characteristic the
// library names, and the variable gets what they leave; nothing else changes.
TEST_F(LayerChecks, ALateBoundCheckAllHandsTheScriptsCharacteristicsOn)
{
    CAnswer replace, leave;
    replace.spCharErr1 = m_pC2->AsCharacteristic(), replace.bReleaseFound = true, leave.bLeaveOuts = true;
    m_spA->Script().Answer(L"CheckAll", replace);
    m_spB->Script().Answer(L"CheckAll", leave);
    // msg, root, c1, Empty, db: the script's variables, passed last first.
    VARIANT vars[5]{}, refs[5]{};
    V_VT(&vars[1]) = V_VT(&vars[2]) = VT_DISPATCH;
    HandOut(&V_DISPATCH(&vars[1]), m_pX->AsPropertyData());
    HandOut(&V_DISPATCH(&vars[2]), m_pC1->AsPropertyData());
    for (int i = 0; i < 5; ++i)
        V_VT(&refs[4 - i]) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&refs[4 - i]) = &vars[i];
    Microsoft::WRL::ComPtr<IDispatch> spDispatch;
    LPOLESTR pszName = const_cast<LPOLESTR>(L"CheckAll");
    DISPID dispId = DISPID_UNKNOWN;
    ASSERT_EQ(m_spLayer.As(&spDispatch), S_OK);
    ASSERT_EQ(spDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, LOCALE_USER_DEFAULT, &dispId), S_OK);
    DISPPARAMS params{refs, nullptr, 5, 0};
    EXPECT_EQ(spDispatch->Invoke(dispId, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(m_spA->LastCallOf(L"CheckAll")->pCharErr1In, m_pC1->AsCharacteristic());
    EXPECT_EQ(m_spB->LastCallOf(L"CheckAll")->pCharErr1In, m_pC2->AsCharacteristic());
    EXPECT_EQ(V_VT(&vars[2]), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&vars[2]), m_pC2->AsCharacteristic());
    EXPECT_EQ(V_VT(&vars[3]), VT_EMPTY);
    for (VARIANT& var : vars)
        VariantClear(&var); // the fixture's balance: every reference came back
    m_spA->Script().Answer(L"CheckAll", leave);
}
