// Prints what the layer's work costs against the work its job forces: the
// checks, trace on (the default) and off, against a straight-line loop over
// the same host queries, assistants and control events, the proxy against
// direct calls, catalogue loading, and the allocations of each check.
//   LayerBench.exe                 timings, then the allocation table
//   LayerBench.exe --data FILE     the same, and every figure as a row of FILE
//                                  (section,check,k,figure,value)
//   LayerBench.exe --allocations   the allocation table only
//   LayerBench.exe --soak N        N checks in a row; private bytes and handles
//                                  after warm-up against the end (exit 1 when
//                                  they grew by more than 1 MB or any handle)
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "testbed/AllocationCounter.h"
#include "bench/ForcedWork.h"
#include "doubles/AssistantDouble.h"
#include "common/AssistCommon.h"
#include "com/Owners.h"
#include "interfaces/LayerNames.h"
#include "com/ComObject.h"
#include "layer/AssistLayer.h"
#include "proxy/ProxyAssistant.h"

using Microsoft::WRL::ComPtr;

namespace {

const int kProtocolCounts[] = {1, 4, 16, 64};
constexpr int kMaxProtocols = 64;

std::wstring ProtocolName(const wchar_t* prefix, int n)
{
    wchar_t sz[16];
    swprintf(sz, 16, L"%ls%04d", prefix, n);
    return sz;
}

std::vector<std::wstring> Protocols(int k)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < k; ++i)
        names.push_back(ProtocolName(L"P", i));
    return names;
}

double NowNs()
{
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e9 / static_cast<double>(freq.QuadPart);
}

// Nanoseconds per call of each function, measured in interleaved short
// batches so that all see the same load of the machine; each round of
// batches starts one function further on, so that none always follows the
// same one.
class CQuietTimings
{
public:
    CQuietTimings(const std::vector<std::function<void()>>& fns, int nRounds = 101) : m_rounds(fns.size())
    {
        std::vector<int> vecPerBatch;
        for (const auto& f : fns) {
            BatchNs(f, 20); // warms the caches
            vecPerBatch.push_back(std::max(3, static_cast<int>(5e5 / std::max(BatchNs(f, 20), 1.0))));
        }
        for (int round = 0; round < nRounds; ++round)
            for (size_t step = 0; step < fns.size(); ++step) {
                const size_t n = (round + step) % fns.size();
                m_rounds[n].push_back(BatchNs(fns[n], vecPerBatch[n]));
            }
    }
    // The lower decile of a function's batches: other programs on the machine
    // only ever add time to a batch (preemption, caches left cold), and on a
    // shared machine the median carries their share.
    double Ns(size_t n) const { return Quantile(m_rounds[n], 10); }
    std::vector<double> AllNs() const
    {
        std::vector<double> ns;
        for (size_t n = 0; n < m_rounds.size(); ++n)
            ns.push_back(Ns(n));
        return ns;
    }
    // The median, over the rounds, of the one function's time against the
    // other's in the same round: the two saw the same machine, and a round in
    // which the machine was slow for both counts as much as a quiet one.
    double Ratio(size_t nA, size_t nB) const
    {
        std::vector<double> ratios;
        for (size_t r = 0; r < m_rounds[nA].size(); ++r)
            ratios.push_back(m_rounds[nA][r] / m_rounds[nB][r]);
        return Quantile(ratios, 2);
    }

private:
    static double BatchNs(const std::function<void()>& f, int nCalls)
    {
        const double t0 = NowNs();
        for (int i = 0; i < nCalls; ++i)
            f();
        return (NowNs() - t0) / nCalls;
    }
    static double Quantile(std::vector<double> vec, size_t nthOf)
    {
        std::sort(vec.begin(), vec.end());
        return vec[vec.size() / nthOf];
    }
    std::vector<std::vector<double>> m_rounds;
};

// The figures as data, one comma-separated row each, beside the tables.
class CFigures
{
public:
    ~CFigures()
    {
        if (m_pFile)
            std::fclose(m_pFile);
    }
    bool Open(const std::string& path, bool bAppend)
    {
        m_pFile = std::fopen(path.c_str(), bAppend ? "a" : "w");
        if (m_pFile && !bAppend)
            std::fprintf(m_pFile, "section,check,k,figure,value\n");
        return m_pFile != nullptr;
    }
    void Close()
    {
        if (m_pFile)
            std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    void Add(const char* section, const char* check, int k, const char* figure, double value)
    {
        if (m_pFile)
            std::fprintf(m_pFile, "%s,%s,%d,%s,%.3f\n", section, check, k, figure, value);
    }

private:
    std::FILE* m_pFile = nullptr;
};
CFigures g_figures;

struct Allocations
{
    double dNew;
    double dTask;
};

Allocations CountPerCall(const std::function<void()>& f, int n = 50)
{
    f();
    const long lNew = OperatorNewCalls(), lTask = TaskMemoryAllocations();
    for (int i = 0; i < n; ++i)
        f();
    return {static_cast<double>(OperatorNewCalls() - lNew) / n,
            static_cast<double>(TaskMemoryAllocations() - lTask) / n};
}

// Exposes the trace and the catalogue loading of the common base, to count
// what the one allocates and time the other alone. It reads its options as
// the layer does: the trace as the host's configuration sets it now.
class CCommonProbe : public CAssistCommon
{
public:
    explicit CCommonProbe(NewZUR::ITopology* piTopology)
    {
        LoadDebugOptions();
        m_spTopology = piTopology;
    }
    void Trace() { ZURTrace(L"CAssistLayer::CheckInsertDrop"); }
    HRESULT Load() { return LoadAssistants(std::wstring_view()); }
    void Unload() { m_mapAssistants.clear(), m_mapErrorDBs.clear(); }
};

// ---- the cheap assistants ----
// An assistant that answers every check with S_OK and two short strings,
// as a cheap assistant would.
CAnswer CheapAnswer()
{
    return CAnswer::Of(S_OK, L"ok", L"db");
}

ComPtr<IAssist2> NewCheapAssistant(int n)
{
    CAssistantHandle handle = NewAssistant(ProtocolName(L"A", n), AssistantKind::Assist3);
    handle.spState->Script().AnswerAll(CheapAnswer());
    return handle.Assist2();
}

// ---- the bench as a whole ----
class CBench
{
public:
    // The host and assistant doubles, recording off: a call costs the host
    // next to nothing.
    CBench() : m_spHost(CHostDouble::Create()), m_assistantClass(L"bench", kProgId, AssistantKind::Assist3)
    {
        g_bRecording = false;
        m_assistantClass.Script().AnswerAll(CheapAnswer());
    }
    bool SetUp()
    {
        if (FAILED(m_spHost->RegisterServices()) || FAILED(m_assistantClass.Registered()) ||
            FAILED(m_forced.Start(m_spHost->Topology()))) {
            std::printf("cannot register the bench's classes\n");
            return false;
        }
        SetOption(LayerNames::kDebugValue, LayerNames::kDebugNormal);
        SetOption(LayerNames::kTraceValue, 0);
        for (int i = 0; i < kMaxProtocols; ++i)
            m_vecAssistants.push_back(NewCheapAssistant(i));
        m_spLayer = NewLayer(0);
        for (int i = 0; i < kMaxProtocols; ++i)
            m_forced.Add(ProtocolName(L"P", i), m_vecAssistants[i].Get());
        for (int k : kProtocolCounts) {
            CNodeDouble& component = m_spHost->AddComponent(ProtocolName(L"K", k), Protocols(k));
            m_mapTargets[k] = {&component, &component.AddCharacteristic(L"port")};
        }
        return m_spLayer != nullptr;
    }
    void TearDown()
    {
        m_spLayer.Reset();
        m_vecAssistants.clear();
        m_spHost->Dispose();
    }

    void Timings();
    void AllocationTable();
    bool Soak(long lChecks);

private:
    static constexpr const wchar_t* kProgId = L"LayerBench.Assistant";
    void SetOption(const wchar_t* name, long lValue)
    {
        m_spHost->registry.SetLong(LayerNames::kFirstScope, LayerNames::kOptionsKey, name, lValue);
    }
    // A layer with the trace option given, the 64 assistants added, initialised.
    ComPtr<IAssistLayer2> NewLayer(long lTrace)
    {
        SetOption(LayerNames::kTraceValue, lTrace);
        ComPtr<IAssistLayer2> spLayer;
        if (FAILED(CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer)))
            return nullptr;
        ComPtr<IAssistLayerTest> spTest;
        spLayer.As(&spTest);
        for (int i = 0; i < kMaxProtocols; ++i) {
            const std::wstring protocol = ProtocolName(L"P", i);
            spTest->Add(CBstr(protocol), CBstr(kProgId), m_vecAssistants[i].Get(), CBstr(L"db" + protocol));
        }
        if (spLayer->Init(m_spHost->TopologyDispatch()) != S_OK)
            return nullptr;
        SetOption(LayerNames::kTraceValue, 0);
        return spLayer;
    }
    std::vector<std::wstring> EventsOf(IAssistLayer2* pTraced, const BenchCheck& kind, const CheckTarget& target);
    void Checks();
    void Breakdown();
    void Proxy();
    void Catalogue();
    ComPtr<IAssist3> NewProxy(int k, std::vector<ComPtr<IAssist2>>* pDirect);
    void BindCatalogue(const std::wstring& suffix, int n);

    std::shared_ptr<CHostDouble> m_spHost;
    CAssistantClass m_assistantClass;
    std::vector<ComPtr<IAssist2>> m_vecAssistants;
    ComPtr<IAssistLayer2> m_spLayer;
    CForcedWork m_forced;
    std::map<int, CheckTarget> m_mapTargets;
};

// The control events a traced check sends, as the host records them.
std::vector<std::wstring> CBench::EventsOf(IAssistLayer2* pTraced, const BenchCheck& kind, const CheckTarget& target)
{
    m_spHost->topology.vecEvents.clear();
    g_bRecording = true;
    kind.pfnLayer(pTraced, target);
    g_bRecording = false;
    CCallLog::Clear();
    std::vector<std::wstring> texts = m_spHost->topology.EventTexts();
    m_spHost->topology.vecEvents.clear();
    return texts;
}

// Each check as hosts run it, with the trace on (the default), and with the
// trace off; each against its floor, the floor with the check's events added
// where the trace is on.
void CBench::Checks()
{
    ComPtr<IAssistLayer2> spTraced = NewLayer(1);
    if (!spTraced) {
        std::printf("cannot make a traced layer\n");
        return;
    }
    NewZUR::ITopology* piTopology = m_spHost->Topology();
    std::printf("\nChecks, trace on (the default) and off: ns per check\n");
    std::printf("%-20s %3s %6s | %9s %9s %6s | %9s %9s %6s | %9s %6s\n", "", "", "", "trace on", "", "", "trace off",
                "", "", "", "");
    std::printf("%-20s %3s %6s | %9s %9s %6s | %9s %9s %6s | %9s %6s\n", "check", "k", "events", "layer", "floor",
                "l/fl", "layer", "floor", "l/fl", "baseline", "on/off");
    for (const BenchCheck& kind : kBenchChecks) {
        for (int k : kProtocolCounts) {
            const CheckTarget& target = m_mapTargets[k];
            const CEventReplay events(EventsOf(spTraced.Get(), kind, target));
            const CQuietTimings t({[&] { kind.pfnLayer(spTraced.Get(), target); },
                                   [&] {
                                       m_forced.Run(kind, target, kAllSteps);
                                       events.Fire(piTopology);
                                   },
                                   [&] { kind.pfnLayer(m_spLayer.Get(), target); },
                                   [&] { m_forced.Run(kind, target, kAllSteps); },
                                   [&] { m_forced.Run(kind, target); }});
            const double ratios[] = {t.Ratio(0, 1), t.Ratio(2, 3), t.Ratio(0, 2)};
            std::printf("%-20s %3d %6zu | %9.0f %9.0f %6.2f | %9.0f %9.0f %6.2f | %9.0f %6.2f\n", kind.name, k,
                        events.Count(), t.Ns(0), t.Ns(1), ratios[0], t.Ns(2), t.Ns(3), ratios[1], t.Ns(4), ratios[2]);
            const char* figures[] = {"layer_on", "floor_on", "layer_off", "floor_off", "baseline"};
            for (size_t n = 0; n < std::size(figures); ++n)
                g_figures.Add("checks", kind.name, k, figures[n], t.Ns(n));
            const char* ratioFigures[] = {"on_ratio", "off_ratio", "on_off"};
            for (size_t n = 0; n < std::size(ratioFigures); ++n)
                g_figures.Add("checks", kind.name, k, ratioFigures[n], ratios[n]);
            g_figures.Add("checks", kind.name, k, "events", static_cast<double>(events.Count()));
        }
    }
    spTraced->Term();
}

// What each forced step adds at k = 4: the baseline with the steps added one
// by one, and the layer against the last of them.
void CBench::Breakdown()
{
    const int k = 4;
    std::printf("\nWhere the floor comes from, k = %d: ns per check, each step added to the ones above\n", k);
    std::printf("%-46s", "step");
    for (const BenchCheck& kind : kBenchChecks)
        std::printf(" %19s", kind.name);
    std::printf("\n");
    std::vector<std::vector<double>> columns;
    for (const BenchCheck& kind : kBenchChecks) {
        const CheckTarget& target = m_mapTargets[k];
        std::vector<std::function<void()>> fns{[&] { m_forced.Run(kind, target); }};
        unsigned steps = 0;
        for (const StepName& step : kStepNames) {
            steps |= step.step;
            fns.push_back([&, steps] { m_forced.Run(kind, target, steps); });
        }
        fns.push_back([&] { kind.pfnLayer(m_spLayer.Get(), target); });
        // A step's cost is a difference of two figures: more batches steady it.
        columns.push_back(CQuietTimings(fns, 201).AllNs());
    }
    auto row = [&](const char* text, auto value) {
        std::printf("%-46s", text);
        for (const auto& ns : columns)
            std::printf(" %19.0f", value(ns));
        std::printf("\n");
    };
    row("baseline", [](const std::vector<double>& ns) { return ns[0]; });
    for (size_t n = 0; n < std::size(kStepNames); ++n)
        row(kStepNames[n].text, [n](const std::vector<double>& ns) { return ns[n + 1] - ns[n]; });
    const size_t nFloor = std::size(kStepNames);
    row("floor", [&](const std::vector<double>& ns) { return ns[nFloor]; });
    row("layer", [&](const std::vector<double>& ns) { return ns[nFloor + 1]; });
    row("layer beyond the floor", [&](const std::vector<double>& ns) { return ns[nFloor + 1] - ns[nFloor]; });
}

// Values named <prefix>NNNN under both catalogue keys, all of the bench's assistant class.
void CBench::BindCatalogue(const std::wstring& suffix, int n)
{
    const std::wstring tail = suffix.empty() ? L"" : L"\\" + suffix;
    CRegistryScript& registry = m_spHost->registry;
    const std::wstring assistants = LayerNames::kAssistantsKey + tail, errorDBs = LayerNames::kErrorDBsKey + tail;
    registry.RemoveKey(LayerNames::kFirstScope, assistants);
    registry.RemoveKey(LayerNames::kFirstScope, errorDBs);
    for (int i = 0; i < n; ++i) {
        const std::wstring name = ProtocolName(L"C", i);
        registry.SetString(LayerNames::kFirstScope, assistants, name, kProgId);
        registry.SetString(LayerNames::kFirstScope, errorDBs, name, L"db" + name);
    }
}

ComPtr<IAssist3> CBench::NewProxy(int k, std::vector<ComPtr<IAssist2>>* pDirect)
{
    const std::wstring protocol = ProtocolName(L"X", k);
    BindCatalogue(protocol, k);
    ComPtr<IAssist3> spProxy;
    if (FAILED(CComObject<CProxyAssistant>::CreateInstance(IID_IAssist3, &spProxy)) ||
        spProxy->InitEx(m_spHost->TopologyDispatch(), nullptr, CBstr(protocol)) != S_OK)
        return nullptr;
    for (int i = 0; i < k; ++i)
        pDirect->push_back(NewCheapAssistant(i));
    return spProxy;
}

void CBench::Proxy()
{
    std::printf("\nProxy CheckInsertDrop against asking its k assistants directly: ns per check\n");
    std::printf("%3s %11s %11s %7s %13s %11s %6s\n", "k", "proxy", "direct", "ratio", "proxy/assist", "floor", "p/fl");
    std::vector<double> breakdown;
    for (int k : kProtocolCounts) {
        std::vector<ComPtr<IAssist2>> vecDirect;
        const std::wstring protocol = ProtocolName(L"X", k);
        ComPtr<IAssist3> spProxy = NewProxy(k, &vecDirect);
        if (!spProxy) {
            std::printf("cannot initialise a proxy with %d assistants\n", k);
            return;
        }
        const CheckTarget& target = m_mapTargets[1];
        NewZUR::ITopology* piTopology = m_spHost->Topology();
        std::vector<std::function<void()>> fns{[&] {
                                                   BSTR m = nullptr, d = nullptr;
                                                   kBenchChecks[0].pfnAssistant(spProxy.Get(), target, &m, &d);
                                                   SysFreeString(m);
                                                   SysFreeString(d);
                                               },
                                               [&] { ForwardByHand(piTopology, vecDirect, target, protocol, 0); }};
        // The proxy's steps: no protocol is read and no component looked up.
        unsigned steps = 0;
        for (unsigned step : {kReference, kRecord, kClassify, kHostStrings}) {
            steps |= step;
            fns.push_back([&, steps] { ForwardByHand(piTopology, vecDirect, target, protocol, steps); });
        }
        const CQuietTimings t(fns);
        const std::vector<double> ns = t.AllNs();
        const double dDirect = t.Ratio(0, 1), dFloor = t.Ratio(0, fns.size() - 1);
        std::printf("%3d %11.0f %11.0f %7.2f %13.0f %11.0f %6.2f\n", k, ns[0], ns[1], dDirect, ns[0] / k, ns.back(),
                    dFloor);
        g_figures.Add("proxy", "CheckInsertDrop", k, "proxy", ns[0]);
        g_figures.Add("proxy", "CheckInsertDrop", k, "direct", ns[1]);
        g_figures.Add("proxy", "CheckInsertDrop", k, "floor", ns.back());
        g_figures.Add("proxy", "CheckInsertDrop", k, "direct_ratio", dDirect);
        g_figures.Add("proxy", "CheckInsertDrop", k, "floor_ratio", dFloor);
        if (k == 4)
            breakdown = ns;
        spProxy->Term();
    }
    std::printf("  at k = 4: direct %.0f, + references %.0f, + records %.0f, + classification %.0f, + host strings "
                "%.0f = floor %.0f; the proxy beyond it %.0f\n",
                breakdown[1], breakdown[2] - breakdown[1], breakdown[3] - breakdown[2], breakdown[4] - breakdown[3],
                breakdown[5] - breakdown[4], breakdown[5], breakdown[0] - breakdown[5]);
}

// Init on catalogues of 10, 100 and 1,000 assistants, the sizes taken in turn
// round after round so that all see the same load. Beside it the platform's
// share: the same number of ProgID lookups, and of creations of the class.
void CBench::Catalogue()
{
    std::printf("\nCatalogue loading: Init of a layer with an empty catalogue (both scopes read, each\n"
                "assistant created by ProgID and initialised); medians of 7 interleaved rounds, us\n");
    std::printf("%6s %11s %9s %9s %11s %11s %11s %11s\n", "n", "Init", "per asst", "x prev", "load/asst", "ProgID/asst",
                "create/asst", "ours/asst");
    const int sizes[] = {10, 100, 1000};
    std::map<int, std::vector<double>> init, load, lookup, create;
    SetOption(LayerNames::kTraceValue, 0);
    CCommonProbe probe(m_spHost->Topology());
    ComPtr<IAssistLayer2> spLayer;
    CComObject<CAssistLayer>::CreateInstance(IID_IAssistLayer2, &spLayer);
    for (int round = 0; round < 7; ++round) {
        for (int n : sizes) {
            BindCatalogue(L"", n);
            double t0 = NowNs();
            const HRESULT hr = spLayer->Init(m_spHost->TopologyDispatch());
            init[n].push_back((NowNs() - t0) / 1000);
            spLayer->Term();
            if (hr != S_OK) {
                std::printf("Init with %d assistants: 0x%08lx\n", n, static_cast<unsigned long>(hr));
                return;
            }
            t0 = NowNs();
            probe.Load();
            load[n].push_back((NowNs() - t0) / 1000);
            probe.Unload();
            CLSID clsid = {};
            t0 = NowNs();
            for (int i = 0; i < n; ++i)
                CLSIDFromProgID(kProgId, &clsid);
            lookup[n].push_back((NowNs() - t0) / 1000);
            std::vector<ComPtr<IAssist2>> held(n);
            t0 = NowNs();
            for (int i = 0; i < n; ++i)
                CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IAssist2,
                                 reinterpret_cast<void**>(held[i].GetAddressOf()));
            create[n].push_back((NowNs() - t0) / 1000);
        }
    }
    auto median = [](std::vector<double>& vec) {
        std::sort(vec.begin(), vec.end());
        return vec[vec.size() / 2];
    };
    double dPrevious = 0;
    for (int n : sizes) {
        const double dInit = median(init[n]), dLoad = median(load[n]), dLookup = median(lookup[n]),
                     dCreate = median(create[n]);
        std::printf("%6d %11.0f %9.1f %9.2f %11.1f %11.1f %11.1f %11.1f\n", n, dInit, dInit / n,
                    dPrevious > 0 ? dInit / dPrevious : 0.0, dLoad / n, dLookup / n, dCreate / n,
                    (dLoad - dLookup - dCreate) / n);
        g_figures.Add("catalogue", "Init", n, "us", dInit);
        dPrevious = dInit;
    }
    m_spHost->registry.RemoveKey(LayerNames::kFirstScope, LayerNames::kAssistantsKey);
    m_spHost->registry.RemoveKey(LayerNames::kFirstScope, LayerNames::kErrorDBsKey);
}

void CBench::Timings()
{
    Checks();
    Breakdown();
    Proxy();
    Catalogue();
}

void CBench::AllocationTable()
{
    if (!StartTaskMemoryCount()) {
        std::printf("the task-memory spy could not be registered\n");
        return;
    }
    ComPtr<IAssistLayer2> spTraced = NewLayer(1);
    if (!spTraced) {
        std::printf("cannot make a traced layer\n");
        return;
    }
    std::printf("\nAllocations per check (operator new / task-memory blocks, BSTRs included); trace on and off, and\n"
                "the task-memory blocks per control event beyond the host's own\n");
    std::printf("%-20s %3s %7s %7s %7s %7s %7s %7s %10s\n", "check", "k", "on new", "on task", "off new", "off task",
                "base new", "base tsk", "task/event");
    for (const BenchCheck& kind : kBenchChecks) {
        for (int k : kProtocolCounts) {
            const CheckTarget& target = m_mapTargets[k];
            const long lFired = m_spHost->topology.lFired;
            kind.pfnLayer(spTraced.Get(), target);
            const double dEvents = static_cast<double>(m_spHost->topology.lFired - lFired);
            const Allocations on = CountPerCall([&] { kind.pfnLayer(spTraced.Get(), target); });
            const Allocations off = CountPerCall([&] { kind.pfnLayer(m_spLayer.Get(), target); });
            const Allocations base = CountPerCall([&] { m_forced.Run(kind, target); });
            const double dPerEvent = (on.dTask - off.dTask) / dEvents;
            std::printf("%-20s %3d %7.1f %7.1f %7.1f %7.1f %7.1f %7.1f %10.2f\n", kind.name, k, on.dNew, on.dTask,
                        off.dNew, off.dTask, base.dNew, base.dTask, dPerEvent);
            const std::pair<const char*, double> figures[] = {{"new_on", on.dNew},       {"task_on", on.dTask},
                                                              {"new_off", off.dNew},     {"task_off", off.dTask},
                                                              {"base_task", base.dTask}, {"task_per_event", dPerEvent}};
            for (const auto& [name, value] : figures)
                g_figures.Add("allocations", kind.name, k, name, value);
        }
    }
    spTraced->Term();
    for (long lTrace : {0L, 1L}) {
        SetOption(LayerNames::kTraceValue, lTrace);
        CCommonProbe probe(m_spHost->Topology());
        SetOption(LayerNames::kTraceValue, 0);
        const Allocations trace = CountPerCall([&] { probe.Trace(); }, 1000);
        std::printf("ZURTrace with the trace %s: %.2f operator new, %.2f task-memory blocks per call\n",
                    lTrace ? "on " : "off", trace.dNew, trace.dTask);
        g_figures.Add("allocations", "ZURTrace", 0, lTrace ? "task_trace_on" : "task_trace_off", trace.dTask);
    }
}

struct ProcessUse
{
    SIZE_T cbPrivate;
    DWORD dwHandles;
};

// Committed private memory, summed over the address space: the platform's
// own counter is not filled in everywhere.
SIZE_T CommittedPrivateBytes()
{
    SIZE_T cb = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* p = nullptr; VirtualQuery(p, &info, sizeof(info)) == sizeof(info);
         p = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            cb += info.RegionSize;
    }
    return cb;
}

// A new handle takes the lowest free slot: a leak moves it up. Used where
// the platform does not count the process's handles.
DWORD NextFreeHandleSlot()
{
    HANDLE h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    const DWORD dwSlot = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(h) / 4);
    CloseHandle(h);
    return dwSlot;
}

ProcessUse CurrentUse()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters)))
        std::printf("GetProcessMemoryInfo: %lu\n", GetLastError());
    DWORD dwHandles = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &dwHandles))
        std::printf("GetProcessHandleCount: %lu\n", GetLastError());
    if (counters.PrivateUsage == 0)
        counters.PrivateUsage = CommittedPrivateBytes();
    if (dwHandles == 0)
        dwHandles = NextFreeHandleSlot();
    return {counters.PrivateUsage, dwHandles};
}

// The four checks in turn on components of 1, 4, 16 and 64 protocols.
bool CBench::Soak(long lChecks)
{
    const long lWarmUp = std::min(lChecks / 10, 10000L);
    long lDone = 0;
    auto run = [&](long lUntil) {
        for (; lDone < lUntil; ++lDone) {
            const BenchCheck& kind = kBenchChecks[lDone % 4];
            kind.pfnLayer(m_spLayer.Get(), m_mapTargets[kProtocolCounts[(lDone / 4) % 4]]);
        }
    };
    run(lWarmUp);
    const ProcessUse first = CurrentUse();
    const double t0 = NowNs();
    std::printf("Soak: %ld checks; after %ld: %llu private bytes, %lu handles\n", lChecks, lWarmUp,
                static_cast<unsigned long long>(first.cbPrivate), first.dwHandles);
    long long llMaxGrowth = 0;
    for (int step = 1; step <= 10; ++step) {
        run(lWarmUp + (lChecks - lWarmUp) * step / 10);
        const ProcessUse now = CurrentUse();
        const long long llGrowth = static_cast<long long>(now.cbPrivate) - static_cast<long long>(first.cbPrivate);
        llMaxGrowth = std::max(llMaxGrowth, llGrowth);
        std::printf("  after %8ld: %llu private bytes (%+lld), %lu handles (%+ld)\n", lDone,
                    static_cast<unsigned long long>(now.cbPrivate), llGrowth, now.dwHandles,
                    static_cast<long>(now.dwHandles) - static_cast<long>(first.dwHandles));
    }
    const ProcessUse last = CurrentUse();
    const bool bWithin = llMaxGrowth <= 1024 * 1024 && last.dwHandles <= first.dwHandles;
    std::printf("Soak %s: largest growth %lld bytes, handles %+ld, %.0f ns per check\n", bWithin ? "passed" : "FAILED",
                llMaxGrowth, static_cast<long>(last.dwHandles) - static_cast<long>(first.dwHandles),
                (NowNs() - t0) / static_cast<double>(lChecks - lWarmUp));
    return bWithin;
}

// The allocation table runs in a second process without the BSTR cache,
// so that every string reaches the task allocator and is counted.
int RunAllocationPass(const std::string& dataPath)
{
    SetEnvironmentVariableW(L"OANOCACHE", L"1");
    wchar_t szPath[MAX_PATH];
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(szPath) + L"\" --allocations";
    if (!dataPath.empty())
        commandLine += L" --data \"" + std::wstring(dataPath.begin(), dataPath.end()) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::fflush(stdout);
    if (!CreateProcessW(szPath, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return 2;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExit = 2;
    GetExitCodeProcess(pi.hProcess, &dwExit);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(dwExit);
}

void PrintMachine()
{
    wchar_t szCpu[128] = L"unknown";
    DWORD cb = sizeof(szCpu);
    RegGetValueW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", L"ProcessorNameString",
                 RRF_RT_REG_SZ, nullptr, szCpu, &cb);
    SYSTEM_INFO si;
    GetNativeSystemInfo(&si);
    std::printf("Layer bench, %d-bit build, %lu processors, %ls\n", static_cast<int>(sizeof(void*) * 8),
                si.dwNumberOfProcessors, szCpu);
}

} // namespace

int main(int argc, char** argv)
{
    bool bAllocationsOnly = false;
    long lSoak = 0;
    std::string dataPath;
    for (int n = 1; n < argc; ++n) {
        const std::string arg = argv[n];
        if (arg == "--allocations")
            bAllocationsOnly = true;
        else if (arg == "--soak" && n + 1 < argc)
            lSoak = std::atol(argv[++n]);
        else if (arg == "--data" && n + 1 < argc)
            dataPath = argv[++n];
    }
    if (!dataPath.empty() && !g_figures.Open(dataPath, bAllocationsOnly)) {
        std::printf("cannot write %s\n", dataPath.c_str());
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 0;
    {
        CBench bench;
        if (!bench.SetUp())
            return 1;
        if (lSoak > 0) {
            PrintMachine();
            result = bench.Soak(lSoak) ? 0 : 1;
        } else if (bAllocationsOnly) {
            bench.AllocationTable();
        } else {
            PrintMachine();
            bench.Timings();
        }
        bench.TearDown();
    }
    CoUninitialize();
    g_figures.Close();
    if (!bAllocationsOnly && lSoak == 0)
        result = RunAllocationPass(dataPath);
    std::fflush(stdout);
    return result;
}
