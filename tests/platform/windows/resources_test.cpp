// The application manifest and the version resource, read back from the
// built repath.exe as Windows reads them.
#include <gtest/gtest.h>

#include <string>

#include "support.h"

namespace {

std::wstring Program()
{
    return HostPath(REPATH_PROGRAM).wstring();
}

std::string Manifest()
{
    HMODULE module =
        LoadLibraryExW(Program().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    EXPECT_NE(module, nullptr) << GetLastError();
    if (module == nullptr) {
        return {};
    }
    std::string text;
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)); // RT_MANIFEST
    if (found != nullptr) {
        HGLOBAL loaded = LoadResource(module, found);
        text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

TEST(Manifest, RunsAsTheInvokerOnEveryWindowsWithLongPaths)
{
    std::string manifest = Manifest();
    ASSERT_FALSE(manifest.empty()) << "no manifest resource";
    EXPECT_NE(manifest.find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"), std::string::npos);
    EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
    EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
    const char* systems[] = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const char* id : systems) {
        EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"") + id + "\"/>"), std::string::npos) << id;
    }
    EXPECT_NE(
        manifest.find(
            R"(<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true</longPathAware>)"),
        std::string::npos);
    EXPECT_NE(manifest.find(std::string("version=\"") + REPATH_VERSION + ".0\""), std::string::npos);
}

std::wstring VersionString(const std::string& block, const wchar_t* name)
{
    UINT length = 0;
    void* value = nullptr;
    std::wstring path = L"\\StringFileInfo\\040904B0\\" + std::wstring(name);
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) {
        return L"(none)";
    }
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(VersionResource, NamesTheProductAndItsVersion)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(Program().c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource: " << GetLastError();
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(Program().c_str(), 0, size, block.data()));

    std::wstring version = Widen(REPATH_VERSION);
    EXPECT_EQ(VersionString(block, L"ProductName"), L"repath");
    EXPECT_EQ(VersionString(block, L"ProductVersion"), version);
    EXPECT_EQ(VersionString(block, L"FileVersion"), version);
    EXPECT_EQ(VersionString(block, L"OriginalFilename"), L"repath.exe");
    EXPECT_NE(VersionString(block, L"FileDescription").find(L"move-file"), std::wstring::npos);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(REPATH_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);
    EXPECT_EQ(fixed->dwFileVersionMS, (major << 16) | minor);
    EXPECT_EQ(fixed->dwFileVersionLS, patch << 16);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

} // namespace
