// Project files the simulator must refuse clearly. (A large plant is carried
// by zurhost's progress case, 40,000 devices end to end.)
#include "hostsim/Plant.h"

namespace {

std::string Device(const std::string& name, const std::string& entities)
{
    return "<component name=\"" + name + "\"><root><deviceInfo><device><DeviceManagerObject>" + entities +
           "</DeviceManagerObject></device></deviceInfo></root></component>";
}

std::string Project(const std::string& devices, const std::string& tail = "")
{
    return "<project name=\"t\"><topology><component name=\"Root\">" + devices + "</component></topology>" + tail +
           "</project>";
}

// Files that are not well-formed XML, without a root, a missing file, a
// document type and bad cables are in zurhost's table of bad inputs, end to end.
TEST(ProjectFileTest, BadFilesAreRefusedWithAReason)
{
    RegisterSimulatorServers();
    const std::string dp = "<communicationEntity protocol=\"PROFIBUS DP\" role=\"slave\" address=\"3\"/>";
    const struct
    {
        std::string content;
        const wchar_t* pszReason; // the message after the file's path
    } cases[] = {
        {"<plant/>", L"the document element must be <project>"},
        {Project(Device("A", dp) + Device("A", dp)), L"two components are named 'A'"},
        {Project("<component/>"), L"a <component> has no name"},
        {Project(Device("A", "<communicationEntity role=\"slave\"/>")),
         L"a communication entity of 'A' has no protocol"},
        {Project(Device("A", "<communicationEntity protocol=\"X\" role=\"boss\"/>")),
         L"the X entity of 'A' has role 'boss'; expected 'master' or 'slave'"},
        {Project(Device("A", dp), "<connections><connection from=\"A:DP\" to=\"B:DP\"/></connections>"),
         L"connection end 'A:DP' names no port of the project"},
    };
    int n = 0;
    for (const auto& c : cases) {
        std::wstring path = WriteTempFile(L"bad" + std::to_wstring(++n) + L".xml", c.content), text;
        ComPtr<ISimProject> spProject;
        EXPECT_EQ(LoadProject(path, spProject, &text), E_INVALIDARG) << c.content;
        EXPECT_EQ(text, path + L": " + c.pszReason);
        // A refused file leaves no project behind.
        CBstr tree;
        EXPECT_EQ(spProject->get_Tree(tree.Out()), E_UNEXPECTED);
    }
}

} // namespace
