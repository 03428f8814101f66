// A host that loads the module from its own folder through an activation
// context made from the module's manifest. The program runs in a prefix where
// nothing is registered and registers nothing itself (the runner passes
// --no-typelib-registration), so whatever is found comes from the context.
#include <windows.h>
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <string>
#include "LayerLib2.h"
#include "ModuleClient.h"
#include "interfaces/LayerNames.h"
#include "com/Owners.h"
#include "testbed/AllocationCounter.h"
#include "support/TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace {

const LCID kLibraryLcid = 0x409;

// Each class with a name of its own dual interface and that name's id.
const struct
{
    const wchar_t* pszProgId;
    const CLSID* pclsid;
    const wchar_t* pszName;
    DISPID dispId;
} kClasses[] = {{LayerNames::kLayerProgId, &CLSID_AssistLayer2, L"GetProcessedBusName", 16},
                {LayerNames::kProxyProgId, &CLSID_ProxyAssistant, L"InitEx", 101}};

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

// Not one key of the module, where every lookup outside a context would find
// it: its classes, its ProgIDs, its type library, its interfaces.
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

// Inside a context: each ProgID names a class, and both that class and the
// class's own id create an object whose dispatch, served from the module's
// type library, knows the class's own names. The runtime may name the class
// of a ProgID by an id of its own. The library is found through the context,
// and each dual interface has the automation marshaler.
void ExpectBothClassesFound()
{
    for (const auto& c : kClasses) {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(CLSIDFromProgID(c.pszProgId, &clsid), S_OK) << c.pszProgId;
        for (const CLSID& rclsid : {clsid, *c.pclsid}) {
            ComPtr<IDispatch> spDispatch;
            EXPECT_EQ(CoCreateInstance(rclsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&spDispatch)), S_OK)
                << c.pszProgId << " " << GuidText(rclsid);
            LPOLESTR pszName = const_cast<LPOLESTR>(c.pszName);
            DISPID dispId = DISPID_UNKNOWN;
            if (spDispatch) {
                EXPECT_EQ(spDispatch->GetIDsOfNames(IID_NULL, &pszName, 1, kLibraryLcid, &dispId), S_OK);
            }
            EXPECT_EQ(dispId, c.dispId) << c.pszProgId << " " << GuidText(rclsid);
        }
    }
    CBstr bstrPath;
    EXPECT_EQ(QueryPathOfRegTypeLib(LIBID_LAYERLib2, 7, 0, kLibraryLcid, bstrPath.Out()), S_OK);
    EXPECT_EQ(std::wstring(bstrPath.View()), ModulePath());
    for (const IID* piid : kInterfaces) {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(CoGetPSClsid(*piid, &clsid), S_OK) << GuidText(*piid);
        EXPECT_EQ(GuidText(clsid), GuidText(kAutomationMarshaler)) << GuidText(*piid);
    }
}

// Runs f inside an activation context made from the module's resource 2 (by
// the module's path, or by its handle when the path is null) or from a
// manifest of the host's own; the error of making or activating it, if any.
template <class F>
DWORD InContext(DWORD dwFlags, const wchar_t* pszSource, F f)
{
    const std::wstring folder = BinaryDirectory();
    ACTCTXW actCtx{};
    actCtx.cbSize = sizeof(actCtx);
    actCtx.dwFlags = dwFlags;
    actCtx.lpSource = pszSource;
    actCtx.hModule = GetModuleHandleW(L"Layer.dll");
    actCtx.lpResourceName = ISOLATIONAWARE_MANIFEST_RESOURCE_ID;
    actCtx.lpAssemblyDirectory = folder.c_str();
    HANDLE hActCtx = CreateActCtxW(&actCtx);
    ULONG_PTR ulCookie = 0;
    if (hActCtx == INVALID_HANDLE_VALUE)
        return GetLastError();
    const DWORD dwError = ActivateActCtx(hActCtx, &ulCookie) ? ERROR_SUCCESS : GetLastError();
    if (dwError == ERROR_SUCCESS) {
        f();
        DeactivateActCtx(0, ulCookie);
    }
    ReleaseActCtx(hActCtx);
    return dwError;
}

// The text of the module's resource 2 (its manifest), read without running
// the module; empty when it cannot be read.
std::string ModuleManifest()
{
    HMODULE hModule = LoadLibraryExW(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC hResource = hModule ? FindResourceW(hModule, ISOLATIONAWARE_MANIFEST_RESOURCE_ID, RT_MANIFEST) : nullptr;
    const void* pvData = hResource ? LockResource(LoadResource(hModule, hResource)) : nullptr;
    std::string text = pvData ? std::string(static_cast<const char*>(pvData), SizeofResource(hModule, hResource)) : "";
    FreeLibrary(hModule);
    return text;
}

} // namespace

// The three ways a host makes the context: from the module's resource 2 by
// the module's path (the runtime loads the module) or by the loaded module's
// handle, and from a manifest of its own that depends on the module's
// assembly (found beside the module).
TEST(RegistrationFree, EachWayOfMakingTheContextFindsBothClassesAndLeavesNothingBehind)
{
    ASSERT_EQ(GetModuleHandleW(L"Layer.dll"), nullptr);
    ExpectNothingRegistered();
    const std::wstring modulePath = ModulePath();
    const std::wstring hostManifest = WriteTempFile(L"Host.manifest", kApplicationManifest);
    const struct
    {
        const char* pszWay;
        DWORD dwFlags;
        const wchar_t* pszSource;
    } ways[] = {{"module path", ACTCTX_FLAG_RESOURCE_NAME_VALID, modulePath.c_str()},
                {"module handle", ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID, nullptr},
                {"host manifest", ACTCTX_FLAG_ASSEMBLY_DIRECTORY_VALID, hostManifest.c_str()}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.pszWay);
        CMemoryBalance::Mark();
        ASSERT_EQ(InContext(way.dwFlags, way.pszSource, ExpectBothClassesFound), static_cast<DWORD>(ERROR_SUCCESS));
        ExpectNothingRegistered();
        EXPECT_EQ(ModuleCanUnloadNow(), S_OK);
        // The first pass makes what the module keeps for the process (the
        // layer and its type information); every later pass gives all back.
        if (&way != ways) {
            EXPECT_EQ(CMemoryBalance::Outstanding(), 0)
                << testing::PrintToString(CMemoryBalance::DescribeOutstanding());
        }
    }
}

// Each dual interface's proxy-stub entry names the module's own library: the
// automation marshaler reads the interface from the library that tlbid names.
TEST(RegistrationFree, ManifestNamesTheLibraryForEachDualInterface)
{
    const std::string manifest = ModuleManifest();
    ASSERT_FALSE(manifest.empty());
    const std::string tlbid = "tlbid=\"" + Narrow(GuidText(LIBID_LAYERLib2)) + "\"";
    for (const IID* piid : kInterfaces) {
        const size_t posIid = manifest.find("iid=\"" + Narrow(GuidText(*piid)) + "\"");
        ASSERT_NE(posIid, std::string::npos) << GuidText(*piid);
        const size_t posBegin = manifest.rfind('<', posIid);
        const std::string entry = manifest.substr(posBegin, manifest.find('>', posIid) - posBegin);
        EXPECT_TRUE(entry.starts_with("<comInterfaceExternalProxyStub ") && entry.find(tlbid) != std::string::npos)
            << entry;
    }
}
