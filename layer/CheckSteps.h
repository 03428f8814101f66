#pragma once
// The pieces the layer's checks share: the host's arguments, what one check
// varies, the two strings of an answer, and the walks from an item to the
// assistants that judge it.
#include <algorithm>
#include <vector>
#include "layer/AssistLayer.h"

// Where a check's verdict goes: the host's out-parameters.
struct CAssistLayer::CheckOut
{
    BSTR* pbstrErrMsg;
    BSTR* UUIDOfErrorDB;
    ICharacteristic** piCharErr1 = nullptr; // CheckAll only
    ICharacteristic** piCharErr2 = nullptr;
};

// CheckAll's working characteristics: read from the host's variables on
// entry, shared by every assistant of the walk, released when the call ends.
struct CAssistLayer::CheckAllCharacteristics
{
    Microsoft::WRL::ComPtr<ICharacteristic> spChar1;
    Microsoft::WRL::ComPtr<ICharacteristic> spChar2;
};

// The two strings one assistant answers through: null before its call,
// freed after it.
class CAssistLayer::AnswerStrings
{
public:
    AnswerStrings() noexcept = default;
    AnswerStrings(const AnswerStrings&) = delete;
    AnswerStrings& operator=(const AnswerStrings&) = delete;
    ~AnswerStrings()
    {
        SysFreeString(m_bstrErrMsg);
        SysFreeString(m_bstrErrDB);
    }

    BSTR* ErrMsg() noexcept { return &m_bstrErrMsg; }
    BSTR* ErrDB() noexcept { return &m_bstrErrDB; }

private:
    BSTR m_bstrErrMsg = nullptr;
    BSTR m_bstrErrDB = nullptr;
};

// The host's arguments of a component check, passed on unchanged.
struct CAssistLayer::ComponentArgs
{
    CheckOut out;
    IComponent* piCompRoot;
    IComponent* piSource;    // the component whose protocols are walked
    IComponent* piCompOther; // piCompDest or piCompReplace
    LONG bAsChild;
};

// The component an assistant is handed: the one its protocol belongs to
// (the host's when the protocol has none of its own), or the host's always.
enum class HandOn
{
    ProtocolComponent,
    HostComponent
};
// What an S_FALSE of the first protocol's assistant counts as.
enum class FirstFalse
{
    Dropped,
    Refused
};
// CheckAll reads characteristics on entry and hands them back.
enum class Characteristics
{
    None,
    InOut
};

struct CAssistLayer::ComponentCheck
{
    const wchar_t* pszTrace;
    HandOn handOn;
    FirstFalse firstFalse;
    Characteristics characteristics;
    ResultSelector selector;
    // Puts the question to one assistant. piComponent is the component handed
    // on; pChars is set for CheckAll only.
    HRESULT(*pfnAsk)
    (IAssist2* pAssist, const ComponentArgs& args, IComponent* piComponent, AnswerStrings& answer,
     CheckAllCharacteristics* pChars);
};

struct CAssistLayer::ConnectionArgs
{
    CheckOut out;
    IComponent* piCompRoot;
    ICharacteristic* piCharConn1;
    ICharacteristic* piCharConn2;
};

struct CAssistLayer::ConnectionCheck
{
    const wchar_t* pszTrace;
    HRESULT(STDMETHODCALLTYPE IAssist2::*pfnAsk)
    (BSTR* pbstrErrMsg, IComponent* piCompRoot, ICharacteristic* piCharConn1, ICharacteristic* piCharConn2,
     BSTR* UUIDOfErrorDB);
};

// The assistants already asked in one call, compared by the identity of the
// reference. Each is held while it is in the set.
class CConsultedAssistants
{
public:
    // One allocation covers the assistants of a usual call.
    CConsultedAssistants() { m_assistants.reserve(8); }

    // Asks an assistant not yet in the set, then keeps it, whatever it answered.
    template <class Ask>
    void AskOnce(IAssist2* pAssist, Ask&& ask)
    {
        auto sameAssistant = [pAssist](const Microsoft::WRL::ComPtr<IAssist2>& sp) { return sp.Get() == pAssist; };
        if (std::any_of(m_assistants.begin(), m_assistants.end(), sameAssistant))
            return;
        ask(pAssist);
        m_assistants.emplace_back(pAssist);
    }

private:
    std::vector<Microsoft::WRL::ComPtr<IAssist2>, CKeptBlockAllocator<Microsoft::WRL::ComPtr<IAssist2>>> m_assistants;
};

// Every protocol of the component, in the order the query service gives
// them, up to the first one without an assistant.
template <class Consult>
void CAssistLayer::WalkProtocols(IUnknown* pComponent, Consult&& consult)
{
    Microsoft::WRL::ComPtr<IPropertyData> spNode;
    Microsoft::WRL::ComPtr<IAssist2> spAssist;
    HRESULT hr = GetFirstProtocol(pComponent, spNode.GetAddressOf(), spAssist.GetAddressOf());
    while (hr == S_OK) {
        consult(spNode.Get(), spAssist.Get());
        spNode.Reset();
        spAssist.Reset();
        hr = GetNextProtocol(spNode.GetAddressOf(), spAssist.GetAddressOf());
    }
}

// An item inside a communication entity belongs to that entity's protocol
// alone: one assistant at most, no walk.
template <class Consult>
void CAssistLayer::FollowEntityRoute(IUnknown* pItem, Consult&& consult)
{
    Microsoft::WRL::ComPtr<IPropertyData> spNode;
    if (GetCommunicationEntityProtocol(pItem, spNode.GetAddressOf()) != S_OK)
        return;
    Microsoft::WRL::ComPtr<IAssist2> spAssist;
    if (GetAssistFromProtocol(spNode.Get(), spAssist.GetAddressOf()) != S_OK || !spAssist)
        return;
    consult(spAssist.Get());
}

// A characteristic inside a communication entity takes that entity's route,
// any other the route of its component. One that is null or no data item
// leads nowhere.
template <class Consult>
void CAssistLayer::FollowCharacteristicRoutes(ICharacteristic* piChar, Consult&& consult)
{
    Microsoft::WRL::ComPtr<IPropertyData> spData;
    if (!piChar || FAILED(piChar->QueryInterface(IID_PPV_ARGS(&spData))) || !spData)
        return;
    if (IsBelowCommunicationEntity(spData.Get())) {
        FollowEntityRoute(spData.Get(), consult);
        return;
    }
    IComponent* piComponent = GetComponentFromCharacteristic(piChar);
    if (piComponent)
        WalkProtocols(piComponent, [&](IPropertyData*, IAssist2* pAssist) { consult(pAssist); });
}
