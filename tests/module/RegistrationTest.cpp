// Self-registration as regsvr32 drives it, read back key by key.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "LayerLib2.h"
#include "ModuleClient.h"
#include "interfaces/LayerNames.h"
#include "support/TestEnvironment.h"

namespace {

// The default value (pszName null) or a named string value; "<absent>" when
// the key or value does not exist.
std::wstring ReadClassesRootString(const std::wstring& key, const wchar_t* pszName = nullptr)
{
    wchar_t szData[1024] = {};
    DWORD cb = sizeof(szData) - sizeof(wchar_t);
    DWORD dwType = 0;
    LONG lError = RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), pszName, RRF_RT_ANY, &dwType, szData, &cb);
    if (lError != ERROR_SUCCESS)
        return L"<absent>";
    if (dwType != REG_SZ)
        return L"<type " + std::to_wstring(dwType) + L">";
    return szData;
}

struct ExpectedValue
{
    std::wstring key;
    const wchar_t* pszName; // null: the default value
    std::wstring data;
};

std::vector<ExpectedValue> ExpectedLayout()
{
    const struct
    {
        const CLSID* pclsid;
        const wchar_t *pszProgId, *pszDescription;
    } classes[] = {{&CLSID_AssistLayer2, LayerNames::kLayerProgId, L"AssistLayer2 Class"},
                   {&CLSID_ProxyAssistant, LayerNames::kProxyProgId, L"ProxyAssistant Class"}};
    std::vector<ExpectedValue> rows;
    for (const auto& c : classes) {
        std::wstring clsidKey = L"CLSID\\" + GuidText(*c.pclsid);
        rows.push_back({c.pszProgId, nullptr, c.pszDescription});
        rows.push_back({std::wstring(c.pszProgId) + L"\\CLSID", nullptr, GuidText(*c.pclsid)});
        rows.push_back({clsidKey, nullptr, c.pszDescription});
        rows.push_back({clsidKey + L"\\ProgID", nullptr, c.pszProgId});
        rows.push_back({clsidKey + L"\\VersionIndependentProgID", nullptr, L""});
        rows.push_back({clsidKey + L"\\InprocServer32", nullptr, ModulePath()});
        rows.push_back({clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"});
    }
    return rows;
}

} // namespace

TEST(Registration, Regsvr32WritesTheLayoutOfBothClassesAndTheTypeLibraryAndRemovesIt)
{
    const std::wstring typeLibKey = L"TypeLib\\" + GuidText(LIBID_LAYERLib2);
    ASSERT_EQ(RunRegsvr32(false), 0u);
    for (const ExpectedValue& row : ExpectedLayout())
        EXPECT_EQ(ReadClassesRootString(row.key, row.pszName), row.data)
            << row.key << " " << (row.pszName ? "named" : "default");
    // The type library comes from the module's own resource.
    EXPECT_EQ(ReadClassesRootString(typeLibKey + (sizeof(void*) == 8 ? L"\\7.0\\409\\win64" : L"\\7.0\\409\\win32")),
              ModulePath());
    ASSERT_EQ(RunRegsvr32(true), 0u);
    for (const ExpectedValue& row : ExpectedLayout())
        EXPECT_FALSE(ClassesRootKeyExists(row.key)) << row.key;
    EXPECT_FALSE(ClassesRootKeyExists(typeLibKey));
}

// Missing class keys are not failures; the library's own answer is returned.
TEST(Registration, UnregisteringTwiceSkipsMissingKeys)
{
    HMODULE hModule = LoadLibraryW(ModulePath().c_str());
    ASSERT_NE(hModule, nullptr);
    auto pfnRegister = ModuleExport<EntryPoint>(hModule, "DllRegisterServer");
    auto pfnUnregister = ModuleExport<EntryPoint>(hModule, "DllUnregisterServer");
    EXPECT_EQ(pfnRegister(), S_OK);
    EXPECT_EQ(pfnUnregister(), S_OK);
    // Only the library registered again: both class keys are gone.
    ITypeLib* pTypeLib = nullptr;
    ASSERT_EQ(LoadTypeLibEx((BinaryDirectory() + L"Layer.tlb").c_str(), REGKIND_REGISTER, &pTypeLib), S_OK);
    pTypeLib->Release();
    EXPECT_EQ(pfnUnregister(), S_OK);
    // Nothing left at all: the answer is the library's own.
    SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    HRESULT hrLibrary = UnRegisterTypeLib(LIBID_LAYERLib2, 7, 0, 0x409, kind);
    EXPECT_NE(hrLibrary, S_OK);
    EXPECT_EQ(pfnUnregister(), hrLibrary);
    FreeLibrary(hModule);
}

// A module whose path fills the whole MAX_PATH buffer registers nothing.
TEST(Registration, PathThatFillsTheBufferIsRefused)
{
    ASSERT_FALSE(ClassesRootKeyExists(LayerNames::kLayerProgId));
    std::wstring folder = PrivateTempFolder() + L"deep";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::wstring name = L"\\Layer.dll";
    folder += L"\\" + std::wstring(MAX_PATH - folder.size() - name.size() + 8, L'd');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    std::wstring copy = folder + name;
    ASSERT_GE(copy.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(CopyFileW(ModulePath().c_str(), (L"\\\\?\\" + copy).c_str(), FALSE));
    HMODULE hModule = LoadLibraryW((L"\\\\?\\" + copy).c_str());
    ASSERT_NE(hModule, nullptr);
    EXPECT_EQ(ModuleExport<EntryPoint>(hModule, "DllRegisterServer")(), static_cast<HRESULT>(0x8007007A));
    FreeLibrary(hModule);
    EXPECT_FALSE(ClassesRootKeyExists(LayerNames::kLayerProgId));
    EXPECT_FALSE(ClassesRootKeyExists(L"CLSID\\" + GuidText(CLSID_AssistLayer2)));
}
