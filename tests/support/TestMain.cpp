// Entry point of every test program: an STA for the thread, the two type
// libraries registered (the host framework's and LAYERLib2, as an
// installation would have them; not with --no-typelib-registration), and a
// temp folder of the program's own.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include "doubles/DoubleObject.h"
#include "testbed/AllocationCounter.h"
#include "support/TestEnvironment.h"

namespace {

void RegisterTypeLibFile(const std::wstring& path)
{
    ITypeLib* pTypeLib = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &pTypeLib);
    if (FAILED(hr)) {
        fprintf(stderr, "cannot register %ls: 0x%08lx\n", path.c_str(), static_cast<unsigned long>(hr));
        exit(2);
    }
    // Kept loaded for the whole run: the product keeps its type information
    // for the life of the process, and the strings the runtime allocates when
    // it loads a library would count against the first test that uses it.
    (void)pTypeLib;
}

// The automation runtime decides when it is loaded whether freed BSTRs go to
// its cache; cached blocks would hide leaks from the malloc spy. ctest gives
// every test program OANOCACHE; a program started without it stops at once.
bool BstrCacheIsOff()
{
    if (GetEnvironmentVariableW(L"OANOCACHE", nullptr, 0))
        return true;
    fprintf(stderr, "OANOCACHE is not set: the BSTR cache would hide leaks; run the program with OANOCACHE=1 "
                    "(ctest sets it)\n");
    return false;
}

// The registration-free suite asks for a program that registers nothing: the
// library must then come from its activation context, not from the registry.
bool RegistersTypeLibs(int argc, char** argv)
{
    return std::none_of(argv + 1, argv + argc,
                        [](const char* psz) { return strcmp(psz, "--no-typelib-registration") == 0; });
}

} // namespace

int main(int argc, char** argv)
{
    if (!BstrCacheIsOff())
        return 2;
    testing::InitGoogleTest(&argc, argv);
    // A call into a double that nobody expected fails the test that made it.
    g_pfnUnexpectedCall = [](const std::wstring& text) { ADD_FAILURE() << text; };
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // Every task-memory block from here on is seen by the balance checks.
    CMemoryBalance::Mark();
    if (RegistersTypeLibs(argc, argv)) {
        RegisterTypeLibFile(BinaryDirectory() + L"NewZUR.tlb");
        RegisterTypeLibFile(BinaryDirectory() + L"Layer.tlb");
    }
    // The library both import, which a late-bound call loads and keeps.
    ITypeLib* pStdOle = nullptr;
    LoadRegTypeLib(IID_StdOle, STDOLE2_MAJORVERNUM, STDOLE2_MINORVERNUM, STDOLE2_LCID, &pStdOle);
    UsePrivateTempFolder();
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
