// Entry point of every test program: an STA for the thread, the two type
// libraries registered (the host framework's and LAYERLib2, as an
// installation would have them), and a temp folder of the program's own.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <gtest/gtest.h>
#include <string>
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
    pTypeLib->Release();
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RegisterTypeLibFile(BinaryDirectory() + L"NewZUR.tlb");
    RegisterTypeLibFile(BinaryDirectory() + L"Layer.tlb");
    UsePrivateTempFolder();
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
