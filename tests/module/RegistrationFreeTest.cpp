// A host that loads the module from its own folder through an activation
// context made from the module's manifest. The program runs in a prefix where
// nothing is registered and registers nothing itself (the runner passes
// --no-typelib-registration), so whatever is found comes from the context.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <string>
#include <thread>
#include <vector>
#include "LayerLib2.h"
#include "ModuleClient.h"
#include "com/Owners.h"
#include "support/MemoryBalance.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace {

const LCID kLibraryLcid = 0x409;

// Each class with the interface its objects answer and one they do not.
const struct
{
    const wchar_t* pszProgId;
    const CLSID* pclsid;
    const IID* piid;
    const IID* piidOther;
} kClasses[] = {{L"Zerani.Layer.AssistLayer.7", &CLSID_AssistLayer2, &IID_IAssistLayer2, &IID_IAssist3},
                {L"Zerani.Layer.ProxyAssistant.7", &CLSID_ProxyAssistant, &IID_IAssist3, &IID_IAssistLayer2}};

// The dual interfaces, marshaled from their type library across apartments.
const IID* const kInterfaces[] = {&IID_IAssist2, &IID_IAssist3, &IID_IAssistLayer2, &IID_IAssistLayerTest};
const CLSID kAutomationMarshaler = {0x00020424, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// A host's own manifest that depends on the module's assembly by name.
const char kApplicationManifest[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\n"
    "  <assemblyIdentity type=\"win32\" name=\"Host\" version=\"1.0.0.0\"/>\n"
    "  <dependency><dependentAssembly>\n"
    "    <assemblyIdentity type=\"win32\" name=\"Zerani.Layer\" version=\"7.0.0.0\" processorArchitecture=\"*\"/>\n"
    "  </dependentAssembly></dependency>\n"
    "</assembly>\n";

// Not one key of the module: its classes, its ProgIDs, its type library.
void ExpectNothingRegistered()
{
    for (const auto& c : kClasses) {
        EXPECT_FALSE(ClassesRootKeyExists(L"CLSID\\" + GuidText(*c.pclsid))) << c.pszProgId;
        EXPECT_FALSE(ClassesRootKeyExists(c.pszProgId)) << c.pszProgId;
    }
    EXPECT_FALSE(ClassesRootKeyExists(L"TypeLib\\" + GuidText(LIBID_LAYERLib2)));
    for (const IID* piid : kInterfaces)
        EXPECT_FALSE(ClassesRootKeyExists(L"Interface\\" + GuidText(*piid))) << GuidText(*piid);
}

// The marshaler every interface has (S_OK) or none (REGDB_E_IIDNOTREG).
void ExpectMarshaler(HRESULT hrExpected)
{
    for (const IID* piid : kInterfaces) {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(CoGetPSClsid(*piid, &clsid), hrExpected) << GuidText(*piid);
        EXPECT_EQ(GuidText(clsid), GuidText(hrExpected == S_OK ? kAutomationMarshaler : GUID_NULL)) << GuidText(*piid);
    }
}

void ExpectTypeLibPath(HRESULT hrExpected, const std::wstring& expectedPath)
{
    CBstr bstrPath;
    EXPECT_EQ(QueryPathOfRegTypeLib(LIBID_LAYERLib2, 7, 0, kLibraryLcid, bstrPath.Out()), hrExpected);
    EXPECT_EQ(std::wstring(bstrPath.View()), expectedPath);
}

// Without a context: no ProgID, no class (by its id or by the ids a context
// gave its ProgIDs), no library.
void ExpectNothingFound(const std::vector<CLSID>& vecProgIdClasses = {})
{
    for (const auto& c : kClasses) {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(CLSIDFromProgID(c.pszProgId, &clsid), CO_E_CLASSSTRING) << c.pszProgId;
        EXPECT_EQ(GuidText(clsid), GuidText(GUID_NULL)) << c.pszProgId;
    }
    std::vector<CLSID> vecClasses = vecProgIdClasses;
    for (const auto& c : kClasses)
        vecClasses.push_back(*c.pclsid);
    for (const CLSID& clsid : vecClasses) {
        ComPtr<IUnknown> spObject;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &spObject), REGDB_E_CLASSNOTREG)
            << GuidText(clsid);
    }
    ExpectTypeLibPath(TYPE_E_LIBNOTREGISTERED, L"");
}

// Inside a context: each ProgID names a class, and both that class and the
// class's own id create an object of the right class. The runtime may name
// the class of a ProgID by an id of its own; those ids are returned.
std::vector<CLSID> ExpectBothClassesFound()
{
    std::vector<CLSID> vecProgIdClasses;
    for (const auto& c : kClasses) {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(CLSIDFromProgID(c.pszProgId, &clsid), S_OK) << c.pszProgId;
        vecProgIdClasses.push_back(clsid);
        for (const CLSID& rclsid : {clsid, *c.pclsid}) {
            ComPtr<IUnknown> spObject, spOther;
            EXPECT_EQ(CoCreateInstance(rclsid, nullptr, CLSCTX_INPROC_SERVER, *c.piid, &spObject), S_OK)
                << c.pszProgId << " " << GuidText(rclsid);
            if (spObject) {
                EXPECT_EQ(spObject->QueryInterface(*c.piidOther, &spOther), E_NOINTERFACE) << c.pszProgId;
            }
        }
    }
    ExpectTypeLibPath(S_OK, ModulePath());
    return vecProgIdClasses;
}

// The layer's own dispatch: its type information and a name's id.
void ExpectLayerDispatch()
{
    ComPtr<IDispatch> spDispatch;
    ASSERT_EQ(CoCreateInstance(CLSID_AssistLayer2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&spDispatch)), S_OK);
    ComPtr<ITypeInfo> spTypeInfo;
    ASSERT_EQ(spDispatch->GetTypeInfo(0, kLibraryLcid, &spTypeInfo), S_OK);
    TYPEATTR* pAttr = nullptr;
    ASSERT_EQ(spTypeInfo->GetTypeAttr(&pAttr), S_OK);
    EXPECT_EQ(GuidText(pAttr->guid), GuidText(IID_IAssistLayer2));
    spTypeInfo->ReleaseTypeAttr(pAttr);
    LPOLESTR pszName = const_cast<LPOLESTR>(L"GetProcessedBusName");
    DISPID dispId = DISPID_UNKNOWN;
    EXPECT_EQ(spDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, kLibraryLcid, &dispId), S_OK);
    EXPECT_EQ(dispId, 16);
}

// An activation context, active from construction to destruction.
class CActiveContext
{
public:
    explicit CActiveContext(const ACTCTXW& actCtx) : m_hActCtx(CreateActCtxW(&actCtx))
    {
        if (m_hActCtx == INVALID_HANDLE_VALUE)
            m_dwError = GetLastError();
        else if (!ActivateActCtx(m_hActCtx, &m_ulCookie))
            m_dwError = GetLastError();
    }
    CActiveContext(const CActiveContext&) = delete;
    CActiveContext& operator=(const CActiveContext&) = delete;
    ~CActiveContext()
    {
        if (m_ulCookie)
            DeactivateActCtx(0, m_ulCookie);
        if (m_hActCtx != INVALID_HANDLE_VALUE)
            ReleaseActCtx(m_hActCtx);
    }
    DWORD Error() const { return m_dwError; }

private:
    HANDLE m_hActCtx;
    ULONG_PTR m_ulCookie = 0;
    DWORD m_dwError = ERROR_SUCCESS;
};

} // namespace

TEST(RegistrationFree, WithoutAContextNothingIsFound)
{
    ExpectNothingRegistered();
    ExpectNothingFound();
    ExpectMarshaler(REGDB_E_IIDNOTREG);
}

// The three ways a host makes the context: from the module's resource 2 by
// the module's path (the runtime loads the module) or by the loaded module's
// handle, and from a manifest of its own that depends on the module's
// assembly (found beside the module).
TEST(RegistrationFree, ContextCreatesBothClassesAndLeavesNothingBehind)
{
    ASSERT_EQ(GetModuleHandleW(L"Layer.dll"), nullptr);
    const std::wstring modulePath = ModulePath(), folder = BinaryDirectory();
    const std::wstring hostManifest = WriteTempFile(L"Host.manifest", kApplicationManifest);
    const struct
    {
        const char* pszWay;
        DWORD dwFlags;
        const wchar_t* pszSource;
    } ways[] = {{"module path", ACTCTX_FLAG_RESOURCE_NAME_VALID, modulePath.c_str()},
                {"module handle", ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID, nullptr},
                {"host manifest", ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID, hostManifest.c_str()}};
    bool bFirst = true;
    for (const auto& way : ways) {
        SCOPED_TRACE(way.pszWay);
        ACTCTXW actCtx{};
        actCtx.cbSize = sizeof(actCtx);
        actCtx.dwFlags = way.dwFlags;
        actCtx.lpSource = way.pszSource;
        actCtx.hModule = GetModuleHandleW(L"Layer.dll");
        actCtx.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
        actCtx.lpAssemblyDirectory = folder.c_str();
        CMemoryBalance::Mark();
        std::vector<CLSID> vecProgIdClasses;
        {
            CActiveContext context(actCtx);
            ASSERT_EQ(context.Error(), static_cast<DWORD>(ERROR_SUCCESS));
            vecProgIdClasses = ExpectBothClassesFound();
            ExpectLayerDispatch();
        }
        ExpectNothingFound(vecProgIdClasses);
        ExpectNothingRegistered();
        EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
        // The first pass makes what the module keeps for the process (the
        // layer and its type information); every later pass gives all back.
        if (!bFirst) {
            EXPECT_EQ(CMemoryBalance::Outstanding(), 0)
                << testing::PrintToString(CMemoryBalance::DescribeOutstanding());
        }
        bFirst = false;
    }
}

// A client in another apartment gets the layer through the automation
// marshaler, which the context names for each dual interface. Declared last:
// building the stub, Wine 8 registers the type library (TypeLib and Interface
// keys) although it found everything in the context, so the registry is
// checked before that only.
TEST(RegistrationFree, AnotherApartmentCallsTheLayerThroughTheMarshaler)
{
    const std::wstring modulePath = ModulePath();
    ACTCTXW actCtx{};
    actCtx.cbSize = sizeof(actCtx);
    actCtx.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    actCtx.lpSource = modulePath.c_str();
    actCtx.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    {
        CActiveContext context(actCtx);
        ASSERT_EQ(context.Error(), static_cast<DWORD>(ERROR_SUCCESS));
        ExpectNothingRegistered();
        ExpectMarshaler(S_OK);
        ComPtr<IAssistLayer2> spLayer;
        ASSERT_EQ(CoCreateInstance(CLSID_AssistLayer2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&spLayer)), S_OK);
        IStream* pStream = nullptr;
        ASSERT_EQ(CoMarshalInterThreadInterfaceInStream(IID_IAssistLayer2, spLayer.Get(), &pStream), S_OK);
        HRESULT hrUnmarshal = E_FAIL, hrCall = E_FAIL;
        BSTR bstrBus = reinterpret_cast<BSTR>(1);
        HANDLE hDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread client([&] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            ComPtr<IAssistLayer2> spProxy;
            hrUnmarshal = CoGetInterfaceAndReleaseStream(pStream, IID_PPV_ARGS(&spProxy));
            if (spProxy)
                hrCall = spProxy->GetProcessedBusName(&bstrBus);
            spProxy.Reset();
            CoUninitialize();
            SetEvent(hDone);
        });
        DWORD dwIndex = 0;
        EXPECT_EQ(CoWaitForMultipleHandles(0, 10000, 1, &hDone, &dwIndex), S_OK);
        client.join();
        CloseHandle(hDone);
        EXPECT_EQ(hrUnmarshal, S_OK);
        EXPECT_EQ(hrCall, S_OK);
        EXPECT_EQ(bstrBus, nullptr); // no check has run yet
    }
    EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
}
