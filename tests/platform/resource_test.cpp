// The resources that both shipped builds of morvane.exe carry: the icon
// "DEFAULT_ICON" and the version resource, read back as Windows reads them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#ifndef MORVANE_BUILD_ROOT
#error MORVANE_BUILD_ROOT names the build tree (a host path)
#endif

namespace {

// The host path of an executable, through Wine's Z: drive.
std::string ExePath(const char* preset) {
  std::string path = std::string("Z:") + MORVANE_BUILD_ROOT + "/" + preset + "/app/morvane.exe";
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bit_count;
  DWORD bytes;
  WORD id;
};
struct GroupIconDir {
  WORD reserved, type, count;
  GroupIconEntry entries[1];
};
#pragma pack(pop)

class ResourceTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    path_ = ExePath(GetParam());
    module_ = LoadLibraryExA(path_.c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr) << path_;
  }
  void TearDown() override {
    if (module_) FreeLibrary(module_);
  }
  const void* Resource(LPCSTR name, LPCSTR type, DWORD* size) {
    HRSRC found = FindResourceA(module_, name, type);
    if (!found) return nullptr;
    *size = SizeofResource(module_, found);
    return LockResource(LoadResource(module_, found));
  }
  std::string VersionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    std::string query = std::string("\\StringFileInfo\\080404B0\\") + name;
    if (!VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
      return "<none>";
    return std::string(value);
  }

  std::string path_;
  HMODULE module_ = nullptr;
};

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<std::string>*>(names)->push_back(
      IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name);
  return TRUE;
}

TEST_P(ResourceTest, DefaultIconIsTheOnlyGroupIconWithThreeSixteenColourImages) {
  std::vector<std::string> groups;
  EnumResourceNamesA(module_, RT_GROUP_ICON, CollectName, reinterpret_cast<LONG_PTR>(&groups));
  EXPECT_EQ(groups, std::vector<std::string>{"DEFAULT_ICON"});

  DWORD size = 0;
  auto* dir = static_cast<const GroupIconDir*>(Resource("DEFAULT_ICON", RT_GROUP_ICON, &size));
  ASSERT_NE(dir, nullptr);
  ASSERT_EQ(dir->count, 3);
  const int sizes[] = {16, 32, 48};
  for (int i = 0; i < 3; ++i) {
    const GroupIconEntry& e = dir->entries[i];
    SCOPED_TRACE(sizes[i]);
    EXPECT_EQ(e.width, sizes[i]);
    EXPECT_EQ(e.height, sizes[i]);
    EXPECT_EQ(e.colours, 16);
    EXPECT_EQ(e.bit_count, 4);
    DWORD image_size = 0;
    auto* bitmap = static_cast<const BITMAPINFOHEADER*>(
        Resource(MAKEINTRESOURCEA(e.id), RT_ICON, &image_size));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->biWidth, sizes[i]);
    EXPECT_EQ(bitmap->biHeight, 2 * sizes[i]);  // colour and mask
    EXPECT_EQ(bitmap->biBitCount, 4);
    EXPECT_EQ(image_size, e.bytes);
  }
}

TEST_P(ResourceTest, VersionResourceHoldsTheFixedAndStringFields) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path_.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> info(size);
  ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_EQ(length, 4u);  // exactly one pair
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 0x04B0);

  EXPECT_EQ(VersionString(info, "ProductName"), "Morvane");
  EXPECT_EQ(VersionString(info, "Comments"), "Morvane");
  EXPECT_EQ(VersionString(info, "FileVersion"), "1.0.0.0");
  EXPECT_EQ(VersionString(info, "ProductVersion"), "1.0.0.0");
}

TEST_P(ResourceTest, CarriesNoManifest) {
  std::vector<std::string> manifests;
  EnumResourceNamesA(module_, RT_MANIFEST, CollectName, reinterpret_cast<LONG_PTR>(&manifests));
  EXPECT_TRUE(manifests.empty());
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, ResourceTest, ::testing::Values("win32", "win64"));

}  // namespace
