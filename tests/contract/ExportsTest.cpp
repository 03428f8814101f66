// The module exports exactly the four entry points, undecorated.
#include <windows.h>
#include <gtest/gtest.h>
#include <string>
#include "support/TestEnvironment.h"

TEST(ModuleExports, EntryPointsAreUndecorated)
{
    HMODULE hModule = LoadLibraryW((BinaryDirectory() + L"Layer.dll").c_str());
    ASSERT_NE(hModule, nullptr);
    for (const char* name : {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"})
        EXPECT_NE(GetProcAddress(hModule, name), nullptr) << name;
    FreeLibrary(hModule);
}
