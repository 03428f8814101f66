#include "bench/ForcedWork.h"
#include "interfaces/LayerNames.h"
#include <algorithm>
#include "common/AssistCommonTexts.h"

using Microsoft::WRL::ComPtr;

namespace {

VARIANT Seven()
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = 7;
    return v;
}

void FreeBoth(BSTR& bstrMsg, BSTR& bstrDB)
{
    SysFreeString(bstrMsg);
    SysFreeString(bstrDB);
    bstrMsg = bstrDB = nullptr;
}

// The assistants already asked in one check, each held while it is in the set.
class CAskedOnce
{
public:
    CAskedOnce() { m_vecAsked.reserve(8); }
    bool Add(IAssist2* pAssist)
    {
        for (const auto& sp : m_vecAsked)
            if (sp.Get() == pAssist)
                return false;
        m_vecAsked.emplace_back(pAssist);
        return true;
    }

private:
    std::vector<ComPtr<IAssist2>, CKeptBlockAllocator<ComPtr<IAssist2>>> m_vecAsked;
};

} // namespace

const BenchCheck kBenchChecks[4] = {
    {"CheckInsertDrop", Route::Component, true, false,
     [](IAssistLayer2* p, const CheckTarget& t) {
         BSTR m = nullptr, d = nullptr;
         p->CheckInsertDrop(&m, t.Component(), t.Component(), t.Component(), 0, &d);
         FreeBoth(m, d);
     },
     [](IAssist2* p, const CheckTarget& t, BSTR* m, BSTR* d) {
         return p->CheckInsertDrop(m, t.Component(), t.Component(), t.Component(), 0, d);
     }},
    {"CheckAll", Route::Component, false, true,
     [](IAssistLayer2* p, const CheckTarget& t) {
         BSTR m = nullptr, d = nullptr;
         ICharacteristic *c1 = nullptr, *c2 = nullptr;
         p->CheckAll(&m, t.Component(), &c1, &c2, &d);
         FreeBoth(m, d);
     },
     [](IAssist2* p, const CheckTarget& t, BSTR* m, BSTR* d) {
         ICharacteristic *c1 = nullptr, *c2 = nullptr;
         return p->CheckAll(m, t.Component(), &c1, &c2, d);
     }},
    {"CheckConnect", Route::Connection, false, false,
     [](IAssistLayer2* p, const CheckTarget& t) {
         BSTR m = nullptr, d = nullptr;
         p->CheckConnect(&m, t.Component(), t.Char(), t.Char(), &d);
         FreeBoth(m, d);
     },
     [](IAssist2* p, const CheckTarget& t, BSTR* m, BSTR* d) {
         return p->CheckConnect(m, t.Component(), t.Char(), t.Char(), d);
     }},
    {"CheckPropertyChange", Route::Property, false, false,
     [](IAssistLayer2* p, const CheckTarget& t) {
         BSTR m = nullptr, d = nullptr;
         p->CheckPropertyChange(&m, t.Component(), t.Data(), Seven(), &d);
         FreeBoth(m, d);
     },
     [](IAssist2* p, const CheckTarget& t, BSTR* m, BSTR* d) {
         return p->CheckPropertyChange(m, t.Component(), t.Data(), Seven(), d);
     }},
};

const StepName kStepNames[6] = {
    {kSecondRead, "protocol value read a second time"},      {kReference, "references to assistant (and root)"},
    {kRoute, "component of each protocol / characteristic"}, {kRecord, "heap record per answer, strings copied"},
    {kClassify, "classification, two string copies each"},   {kHostStrings, "new strings for the host"},
};

CForcedWork::CForcedWork() : m_bstrRoot(L"root"), m_bstrPath(LayerNames::kProtocolPath), m_bstrOwnerPath(L"..==>.") {}

HRESULT CForcedWork::Start(NewZUR::ITopology* piTopology)
{
    m_spTopology = piTopology;
    return CoCreateInstance(NewZUR::CLSID_DataQuery, nullptr, CLSCTX_ALL, IID_PPV_ARGS(m_spQuery.GetAddressOf()));
}

template <class AskOne>
void CForcedWork::Walk(IUnknown* pComponent, unsigned steps, bool bOwnerOfEach, AskOne&& ask)
{
    ComPtr<NewZUR::ICharacteristic> spComponent;
    pComponent->QueryInterface(IID_PPV_ARGS(spComponent.GetAddressOf()));
    ComPtr<IUnknown> spRoot;
    spComponent->GetSubItem(m_bstrRoot, &spRoot);
    ComPtr<NewZUR::IPropertyData> spRootData;
    spRoot.As(&spRootData);
    ComPtr<NewZUR::IDataQueryResult> spEnum;
    m_spQuery->Select(spRootData.Get(), m_bstrPath, &spEnum);
    for (;;) {
        ComPtr<IDispatch> spItem;
        long lFound = 0;
        spEnum->Next(&spItem, &lFound);
        if (!lFound)
            break;
        ComPtr<NewZUR::IPropertyData> spNode;
        spItem.As(&spNode);
        CVariant vName;
        spNode->GetValue(vName.Out());
        if (steps & kSecondRead)
            spNode->GetValue(vName.Out());
        auto it = m_mapCatalogue.find(BstrView(vName.bstrVal));
        if (it == m_mapCatalogue.end())
            break;
        ComPtr<IAssist2> spHeld;
        if (steps & kReference)
            spHeld = it->second;
        ComPtr<NewZUR::IComponent> spOwner;
        if (bOwnerOfEach && (steps & kRoute)) {
            ComPtr<NewZUR::IDataQueryResult> spResult;
            m_spQuery->Select(spNode.Get(), m_bstrOwnerPath, &spResult);
            ComPtr<IDispatch> spOwnerItem;
            spResult->Next(&spOwnerItem, &lFound);
            ComPtr<NewZUR::IDataElement> spElement;
            if (lFound)
                spOwnerItem.As(&spElement);
            else
                spNode.As(&spElement);
            spElement->GetOwningComponent(&spOwner);
        }
        ask(it->second.Get(), BstrView(vName.bstrVal));
    }
}

ComPtr<NewZUR::IComponent> CForcedWork::OwnerOf(const CheckTarget& target, Route route)
{
    ComPtr<NewZUR::IPropertyData> spData = target.Data();
    if (route == Route::Connection)
        target.Char()->QueryInterface(IID_PPV_ARGS(spData.ReleaseAndGetAddressOf()));
    ComPtr<NewZUR::IDataElement> spElement;
    spData.As(&spElement);
    CBstr bstrPath;
    spElement->GetPathText(bstrPath.Out());
    if (bstrPath.View().find(L"communicationEntity") != std::wstring_view::npos)
        return nullptr;
    if (route == Route::Property) {
        // The property's owner element, as a characteristic.
        ComPtr<NewZUR::IDataElement> spOwner;
        spData.As(&spOwner);
        ComPtr<NewZUR::ICharacteristic> spOwnerChar;
        spOwner.As(&spOwnerChar);
    }
    ComPtr<NewZUR::IDataElement> spCharElement;
    spData.As(&spCharElement);
    ComPtr<NewZUR::IComponent> spComponent;
    spCharElement->GetOwningComponent(&spComponent);
    return spComponent;
}

void CForcedWork::Run(const BenchCheck& kind, const CheckTarget& target, unsigned steps)
{
    ComPtr<NewZUR::IComponent> spRoot;
    if ((steps & kReference) && kind.bHoldsRoot)
        spRoot = target.Component();
    AnswerRecords records;
    if (steps & kRecord)
        records.reserve(8);
    auto ask = [&](IAssist2* pAssist, std::wstring_view busName) {
        BSTR bstrMsg = nullptr, bstrDB = nullptr;
        const HRESULT hr = kind.pfnAssistant(pAssist, target, &bstrMsg, &bstrDB);
        if (steps & kRecord)
            records.push_back(std::make_unique<AnswerRecord>(AnswerRecord{
                hr, std::wstring(busName), std::wstring(BstrView(bstrMsg)), std::wstring(BstrView(bstrDB))}));
        FreeBoth(bstrMsg, bstrDB);
    };
    if (kind.route == Route::Component || !(steps & kRoute)) {
        Walk(target.Component(), steps, kind.bProtocolComponent, ask);
    } else {
        // Each end (the property has one) leads to its component; every
        // assistant is asked once.
        CAskedOnce asked;
        const int nEnds = kind.route == Route::Connection ? 2 : 1;
        for (int nEnd = 0; nEnd < nEnds; ++nEnd) {
            ComPtr<NewZUR::IComponent> spComponent = OwnerOf(target, kind.route);
            if (spComponent)
                Walk(spComponent.Get(), steps, false, [&](IAssist2* pAssist, std::wstring_view busName) {
                    if (asked.Add(pAssist))
                        ask(pAssist, busName);
                });
        }
    }
    AnswerHost(m_spTopology.Get(), records, steps, 3);
}

void AnswerHost(NewZUR::ITopology* piTopology, AnswerRecords& records, unsigned steps, int nHostStrings)
{
    if (records.empty())
        return;
    const AnswerRecord* pWorst = records.front().get();
    if (steps & kClassify) {
        ComPtr<NewZUR::IErrorDatabaseService> spService;
        piTopology->GetErrorDatabaseService(&spService);
        long lWorst = -1;
        for (const auto& spRecord : records) {
            CBstr bstrMsg(spRecord->strErrMsg), bstrDB(spRecord->strErrDB);
            BSTR bstrText = nullptr;
            long lClass = 0;
            spService->Classify(spRecord->hr, &lClass, bstrMsg, bstrDB, &bstrText);
            SysFreeString(bstrText);
            if (lClass > lWorst) {
                lWorst = lClass;
                pWorst = spRecord.get();
            }
        }
    }
    if (steps & kHostStrings) {
        const std::wstring* texts[] = {&pWorst->strErrMsg, &pWorst->strErrDB, &pWorst->strBusName};
        for (int i = 0; i < nHostStrings; ++i)
            SysFreeString(SysAllocStringLen(texts[i]->data(), static_cast<UINT>(texts[i]->size())));
    }
}

void ForwardByHand(NewZUR::ITopology* piTopology, const std::vector<ComPtr<IAssist2>>& assistants,
                   const CheckTarget& target, const std::wstring& protocol, unsigned steps)
{
    AnswerRecords records;
    if (steps & kRecord)
        records.reserve(8);
    for (const auto& spAssist : assistants) {
        ComPtr<IAssist2> spHeld;
        if (steps & kReference)
            spHeld = spAssist;
        BSTR bstrMsg = nullptr, bstrDB = nullptr;
        const HRESULT hr = kBenchChecks[0].pfnAssistant(spAssist.Get(), target, &bstrMsg, &bstrDB);
        if (steps & kRecord)
            records.push_back(std::make_unique<AnswerRecord>(
                AnswerRecord{hr, protocol, std::wstring(BstrView(bstrMsg)), std::wstring(BstrView(bstrDB))}));
        FreeBoth(bstrMsg, bstrDB);
    }
    AnswerHost(piTopology, records, steps, 2);
}

CEventReplay::CEventReplay(const std::vector<std::wstring>& texts)
{
    for (const std::wstring& text : texts) {
        VARIANT vText{};
        vText.vt = VT_BSTR;
        vText.bstrVal = m_vecTexts.emplace_back(text).Get();
        m_vecTextArgs.push_back(vText);
    }
}

void CEventReplay::Fire(NewZUR::ITopology* piTopology) const
{
    namespace T = AssistCommonText;
    for (const VARIANT& vText : m_vecTextArgs)
        piTopology->FireControlEvent(T::kEventId, T::kEventParam1, T::kEventParam2, T::kEventKindArg, vText,
                                     T::kEventParam3);
}
