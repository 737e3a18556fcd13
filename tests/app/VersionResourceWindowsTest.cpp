// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// The version information of the built Idlescope.exe, read as Explorer's
// Properties page reads it, against the project's version. CMake passes the
// program's file name (the test runs in its folder) and the version:
// IDLESCOPE_PROGRAM, IDLESCOPE_VERSION ("0.1") and its four numbers
// IDLESCOPE_VERSION_0 to _3 ("0, 1, 0, 0").

namespace {

std::vector<char> VersionInfo()
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(IDLESCOPE_PROGRAM, &ignored);
    if (size == 0) {
        ADD_FAILURE() << IDLESCOPE_PROGRAM << " has no version information: error " << GetLastError();
        return {};
    }
    std::vector<char> info(size);
    if (!GetFileVersionInfoA(IDLESCOPE_PROGRAM, 0, size, info.data())) {
        ADD_FAILURE() << "GetFileVersionInfoA failed: error " << GetLastError();
        return {};
    }
    return info;
}

// The value at a VerQueryValueA path; none when the path is not there.
template <typename T>
const T* Query(const std::vector<char>& info, const std::string& path, UINT* length = nullptr)
{
    void* value = nullptr;
    UINT size = 0;
    if (info.empty() || !VerQueryValueA(info.data(), path.c_str(), &value, &size) || value == nullptr)
        return nullptr;
    if (length != nullptr)
        *length = size;
    return static_cast<const T*>(value);
}

}  // namespace

TEST(VersionResource, FixedVersionsAreTheProjectVersion)
{
    const std::vector<char> info = VersionInfo();
    const auto* fixed = Query<VS_FIXEDFILEINFO>(info, "\\");
    ASSERT_NE(fixed, nullptr) << "no fixed version information";
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD mostSignificant = (DWORD{IDLESCOPE_VERSION_0} << 16) | IDLESCOPE_VERSION_1;
    const DWORD leastSignificant = (DWORD{IDLESCOPE_VERSION_2} << 16) | IDLESCOPE_VERSION_3;
    EXPECT_EQ(fixed->dwFileVersionMS, mostSignificant);
    EXPECT_EQ(fixed->dwFileVersionLS, leastSignificant);
    EXPECT_EQ(fixed->dwProductVersionMS, mostSignificant);
    EXPECT_EQ(fixed->dwProductVersionLS, leastSignificant);
    EXPECT_EQ(fixed->dwFileType, DWORD{VFT_APP});
}

TEST(VersionResource, StringsNameTheProgramAndItsVersion)
{
    const std::vector<char> info = VersionInfo();
    // The strings are looked up under the language and code page that the
    // translation table names, as Windows' shell does.
    UINT length = 0;
    const auto* translation = Query<WORD>(info, "\\VarFileInfo\\Translation", &length);
    ASSERT_NE(translation, nullptr) << "no translation table";
    ASSERT_EQ(length, 2 * sizeof(WORD)) << "not exactly one translation";
    char block[9];
    std::snprintf(block, sizeof block, "%04x%04x", translation[0], translation[1]);

    const auto text = [&](const char* name) -> std::string {
        UINT size = 0;
        const auto* value = Query<char>(info, std::string("\\StringFileInfo\\") + block + "\\" + name, &size);
        if (value == nullptr)
            return "(none)";
        return std::string(value, strnlen(value, size));
    };
    EXPECT_EQ(text("ProductName"), "Idlescope");
    EXPECT_EQ(text("FileVersion"), IDLESCOPE_VERSION);
    EXPECT_EQ(text("ProductVersion"), IDLESCOPE_VERSION);
    EXPECT_EQ(text("OriginalFilename"), IDLESCOPE_PROGRAM);
    EXPECT_NE(text("LegalCopyright").find("Idlescope maintainers"), std::string::npos) << text("LegalCopyright");
    EXPECT_NE(text("FileDescription").find("Idlescope"), std::string::npos) << text("FileDescription");
}
