// Reading keys out of Wine's registry file, and the registry calls over it.
#include "platform/wine_registry_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/gwindows-registry.h"
#include "tests/scoped_environment.h"
#include "tests/test_util.h"

using Wine_Registry::Find_Key;
using Names = std::vector<std::string>;

namespace {

const char kFile[] =
    "WINE REGISTRY Version 2\r\n"
    ";; All keys relative to \\\\Machine\r\n"
    "\r\n"
    "#arch=win64\r\n"
    "\r\n"
    "[Software\\\\Wow6432Node\\\\Unreal Technology\\\\Installed Apps\\\\UT2004] 1700000000\r\n"
    "#time=1da0000000000000\r\n"
    "\"Folder\"=\"C:\\\\UT2004\"\r\n"
    "\"Version\"=dword:0000000a\r\n"
    "\"Path\"=str(2):\"%ProgramFiles%\\\\UT\"\r\n"
    "\"List\"=str(7):\"one\\0two\\0\"\r\n"
    "\"Raw\"=hex:41,42,00,43,\\\r\n"
    "  44\r\n"
    "\"Wide\"=hex(2):41,00,e9,00,00,00\r\n"
    "@=\"default\"\r\n"
    "\"Escaped\"=\"a\\\"b\\tc\\x00e9\\x0100\\xd83d\\xde00\"\r\n"
    "\r\n"
    "[Software\\\\Wow6432Node\\\\Unreal Technology\\\\Installed Apps\\\\Caf\\x00e9 \\[1\\]] "
    "1700000000\r\n"
    "\"Folder\"=\"D:\\\\Spiele\\\\UT\"\r\n"
    "\r\n"
    "[Software\\\\Wow6432Node\\\\Unreal Technology\\\\Installed Apps\\\\ut2003\\\\Deeper] 1\r\n"
    "\r\n"
    "[Software\\\\Unreal Technology\\\\Installed Apps\\\\Native64] 1\r\n"
    "\"Folder\"=\"C:\\\\Native\"\r\n";

const char kPath[] = "Software\\Unreal Technology\\Installed Apps";

std::string Data(const Wine_Registry::Key& key, const char* name) {
  const Wine_Registry::Value* value = Wine_Registry::Find_Value(key, name);
  return value ? value->data : "<none>";
}

}  // namespace

TEST(WineRegistryFile, SubKeysOfThe32BitView) {
  auto key = Find_Key(kFile, kPath);
  ASSERT_TRUE(key);
  // Sorted without case; a key named only by a deeper one counts.
  EXPECT_EQ(key->sub_keys, (Names{"Caf\xc3\xa9 [1]", "ut2003", "UT2004"}));
  EXPECT_TRUE(key->values.empty());
  EXPECT_TRUE(Find_Key(kFile, "SOFTWARE\\UNREAL TECHNOLOGY\\installed apps\\"));
  EXPECT_FALSE(Find_Key(kFile, "Software\\Unreal Technology\\Installed Apps\\Native64"));
  EXPECT_FALSE(Find_Key(kFile, "Software\\Nothing"));
}

TEST(WineRegistryFile, ValuesOfEveryType) {
  auto key = Find_Key(kFile, std::string(kPath) + "\\ut2004\\");
  ASSERT_TRUE(key);
  EXPECT_EQ(Data(*key, "folder"), std::string("C:\\UT2004\0", 10));
  EXPECT_EQ(Data(*key, "Version"), std::string("\x0a\0\0\0", 4));
  EXPECT_EQ(Data(*key, "Path"), std::string("%ProgramFiles%\\UT\0", 18));
  EXPECT_EQ(Data(*key, "List"), std::string("one\0two\0\0", 9));
  EXPECT_EQ(Data(*key, "Raw"), std::string("AB\0CD", 5));
  EXPECT_EQ(Data(*key, "Wide"), std::string("A\xc3\xa9\0", 4));
  EXPECT_EQ(Data(*key, ""), std::string("default\0", 8));
  // Every character as it is; a pair of surrogates is one.
  std::string escaped = std::string("a\"b\tc\xc3\xa9\xc4\x80\xf0\x9f\x98\x80") + '\0';
  EXPECT_EQ(Data(*key, "Escaped"), escaped);
  EXPECT_EQ(Data(*key, "Missing"), "<none>");
}

TEST(WineRegistryFile, ValuesBelongToTheKeyAboveThemAndOctalTakesThreeDigits) {
  std::string file =
      "WINE REGISTRY Version 2\n"
      "[Software\\\\Unreal Technology\\\\Installed Apps\\\\A] 1\n"
      "\"Version\"=\"1\"\n"
      "[Software\\\\Unreal Technology\\\\Installed Apps\\\\B] 1\n"
      "\"Folder\"=\"C:\\\\B\\101\\0611\\7\"\n";
  auto a = Find_Key(file, std::string(kPath) + "\\A");
  auto b = Find_Key(file, std::string(kPath) + "\\B");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(Data(*a, "Folder"), "<none>");
  EXPECT_EQ(Data(*b, "Folder"), std::string("C:\\BA11\x07\0", 9));
}

TEST(WineRegistryFile, A32BitPrefixAndBrokenFiles) {
  std::string plain =
      "WINE REGISTRY Version 2\n[Software\\\\Unreal Technology\\\\Installed "
      "Apps\\\\A] 1\n\"Folder\"=\"C:\\\\A\"\n";
  auto key = Find_Key(plain, kPath);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->sub_keys, Names{"A"});
  EXPECT_FALSE(Find_Key("", kPath));
  EXPECT_FALSE(Find_Key("REGEDIT4\n[Software\\\\Unreal Technology\\\\Installed Apps]\n", kPath));
  // Cut off anywhere, the file gives what can be read and never more.
  std::string file = kFile;
  for (size_t cut = 0; cut <= file.size(); ++cut) Find_Key(file.substr(0, cut), kPath);
  auto cut = Find_Key(file.substr(0, file.find("\"Raw\"") + 15), std::string(kPath) + "\\UT2004");
  ASSERT_TRUE(cut);
  EXPECT_EQ(Data(*cut, "Raw"), "AB");
}

TEST(Registry, ReadsThePrefixFileAfreshForEveryCall) {
  Temp_Folder prefix;
  Scoped_Environment wineprefix("WINEPREFIX", prefix.path);
  using namespace GWindows::Registry;
  try {
    Get_Sub_Keys(kPath, HKEY_LOCAL_MACHINE);
    ADD_FAILURE();
  } catch (const Registry_Error& error) {
    EXPECT_EQ(error.name, "GWINDOWS.REGISTRY.REGISTRY_ERROR");
    EXPECT_EQ(error.message, "The system cannot find the file specified.\r\n");
  }
  Write_File(prefix / "system.reg", kFile);
  EXPECT_EQ(Get_Sub_Keys(kPath, HKEY_LOCAL_MACHINE),
            (Names{"Caf\xc3\xa9 [1]", "ut2003", "UT2004"}));
  std::string ut2004 = std::string(kPath) + "\\UT2004\\";
  EXPECT_EQ(Get_Value(ut2004, "Folder", HKEY_LOCAL_MACHINE), "C:\\UT2004");
  EXPECT_EQ(Get_Value(ut2004, "Version", HKEY_LOCAL_MACHINE), "\n");
  EXPECT_EQ(Get_Value(ut2004, "List", HKEY_LOCAL_MACHINE), "one");
  EXPECT_EQ(Get_Value(ut2004, "Nothing", HKEY_LOCAL_MACHINE), "");
  EXPECT_EQ(Get_Value(std::string(kPath) + "\\ut2003", "Folder", HKEY_LOCAL_MACHINE), "");
  EXPECT_EQ(Get_Sub_Keys(std::string(kPath) + "\\ut2003\\Deeper", HKEY_LOCAL_MACHINE), Names{});
  EXPECT_THROW(Get_Value(std::string(kPath) + "\\UT99", "Folder", HKEY_LOCAL_MACHINE),
               Registry_Error);
  if (getuid() != 0) {
    chmod((prefix / "system.reg").c_str(), 0);
    try {
      Get_Sub_Keys(kPath, HKEY_LOCAL_MACHINE);
      ADD_FAILURE();
    } catch (const Registry_Error& error) {
      EXPECT_EQ(error.message, "Access is denied.\r\n");
    }
  }
}

namespace {

// A registry of more than 512 KiB, its keys as Wine writes them: part by
// part, letters compared in upper case, so "Ab" comes before "A_b" ("_" is
// above "B", below "b"). `pad` lengthens the first value, moving every key
// line over the 4 KiB pages.
std::string Large_Registry(size_t pad = 0) {
  std::string file = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n";
  auto add = [&file](const std::string& key, const std::string& folder) {
    file += "[Software\\\\" + key + "] 1700000000\n#time=1\n\"Folder\"=\"" + folder + "\"\n\n";
  };
  add("Ab", "ab" + std::string(pad, 'x'));
  add("A_b", "a_b");
  char name[32];
  for (int i = 0; i < 6000; ++i) {
    std::snprintf(name, sizeof name, "Classes\\\\K%06d", i);
    add(name, "C:\\\\windows\\\\system32\\\\ole32.dll");
  }
  add("Unreal Technology\\\\Installed Apps\\\\UT2003", "C:\\\\UT2003");
  add("Unreal Technology\\\\Installed Apps\\\\UT2004", "C:\\\\UT2004");
  add("Unreal Technology\\\\Installed Apps\\\\UT2004\\\\Patch", "");
  add("Unreal Technology\\\\Installed Apps\\\\UT2004 Kopie", "C:\\\\Kopie");
  for (int i = 0; i < 3000; ++i) {
    std::snprintf(name, sizeof name, "Wine\\\\W%06d", i);
    add(name, "w");
  }
  return file;
}

}  // namespace

TEST(Registry, EveryKeyOfALargeRegistryIsFoundWhereverItStands) {
  std::string file = Large_Registry();
  ASSERT_GT(file.size(), size_t{512} << 10);
  // Keys that a hand or a tool added at the end, out of Wine's order: a
  // letter of the path written as an escape, or as the long s, whose
  // capital is S.
  file +=
      "[Software\\\\unreal technology\\\\Installed Apps\\\\Appended] 1\n\"Folder\"=\"C:\\\\A\"\n"
      "[Software\\\\Unreal Technolog\\x0079\\\\Installed Apps\\\\Escaped] 1\n"
      "[\xc5\xbfoftware\\\\Unreal Technology\\\\Installed Apps\\\\Long s] 1\n";
  Temp_Folder prefix;
  Scoped_Environment wineprefix("WINEPREFIX", prefix.path);
  Write_File(prefix / "system.reg", file);
  using namespace GWindows::Registry;
  EXPECT_EQ(Find_Sub_Keys(kPath, HKEY_LOCAL_MACHINE),
            (Names{"Appended", "Escaped", "Long s", "UT2003", "UT2004", "UT2004 Kopie"}));
  EXPECT_EQ(Get_Value(std::string(kPath) + "\\Appended", "Folder", HKEY_LOCAL_MACHINE), "C:\\A");
  for (const char* key : {"Ab", "A_b", "Classes\\K000000", "Classes\\K003001", "Wine\\W002999"})
    EXPECT_NE(Get_Value(std::string("Software\\") + key, "Folder", HKEY_LOCAL_MACHINE), "") << key;
  for (const char* key : {"Software\\Unreal", "Software\\Classes\\K0030", "Software\\Zz", "A"})
    EXPECT_FALSE(Find_Sub_Keys(key, HKEY_LOCAL_MACHINE)) << key;
}

TEST(WineRegistryFile, LocateByHalvesInWinesOrderOfKeys) {
  // Every key is found, wherever the halves and the pages fall.
  for (size_t pad : {0, 1, 7, 1000, 2047, 4095}) {
    std::string file = Large_Registry(pad);
    std::vector<std::pair<uint64_t, size_t>> reads;
    Wine_Registry::Reader read = [&](uint64_t offset, size_t size) {
      reads.emplace_back(offset, size);
      return offset < file.size() ? file.substr(offset, size) : "";
    };
    auto found = [&](const std::string& path) {
      auto span = Wine_Registry::Locate(read, file.size(), path);
      if (!span) return std::optional<Wine_Registry::Key>();
      return Find_Key(
          file.substr(0, span->header) + file.substr(span->start, span->end - span->start), path);
    };
    auto ut2004 = found(std::string(kPath) + "\\UT2004");
    ASSERT_TRUE(ut2004) << pad;
    EXPECT_EQ(Data(*ut2004, "Folder"), std::string("C:\\UT2004") + '\0');
    EXPECT_EQ(ut2004->sub_keys, Names{"Patch"});
    EXPECT_EQ(found(kPath)->sub_keys, (Names{"UT2003", "UT2004", "UT2004 Kopie"}));
    char name[32];
    for (int i = 0; i < 6000; i += 7) {
      std::snprintf(name, sizeof name, "Software\\Classes\\K%06d", i);
      EXPECT_TRUE(found(name)) << name;
    }
    for (const char* key : {"Ab", "A_b", "Wine\\W002999"})
      EXPECT_TRUE(found(std::string("Software\\") + key)) << key;
    reads.clear();
    for (const char* key : {"Software\\Unreal", "Software\\Classes\\K0030", "Software\\Zz", "A"})
      EXPECT_FALSE(found(key)) << key;
    EXPECT_LT(reads.size(), 4 * file.size() / 4096 / 2);  // far fewer pages than the file has
  }
}

TEST(WineRegistryFile, AKeyRightAfterAPageOfValuesIsFound) {
  // From a key's line end on, the pages read overlap by one byte: a line end
  // that is the last byte of one page still meets the "[" that begins the
  // next.
  std::string file = std::string(Wine_Registry::kHeader) + "\n\n[Software\\\\A] 1\n";
  file += "\"V\"=\"" + std::string(4088, 'x') + "\"\n";
  size_t b = file.size();
  file += "[Software\\\\B] 1\n\"Folder\"=\"C:\\\\B\"\n";
  Wine_Registry::Reader read = [&](uint64_t offset, size_t size) {
    return offset < file.size() ? file.substr(offset, size) : "";
  };
  auto span = Wine_Registry::Locate(read, file.size(), "Software\\B");
  ASSERT_TRUE(span);
  EXPECT_EQ(span->start, b);
}

TEST(WineRegistryFile, ANameBeforeTheLongerNamesThatBeginWithIt) {
  // Wine's order: "Unreal" before "Unreal Technology", as "B" before "B2".
  std::string file = std::string(Wine_Registry::kHeader) +
                     "\n\n[Software\\\\Unreal] 1\n[Software\\\\Unreal Technology\\\\B] 1\n"
                     "[Software\\\\Unreal Technology\\\\B2] 1\n";
  Wine_Registry::Reader read = [&](uint64_t offset, size_t size) {
    return offset < file.size() ? file.substr(offset, size) : "";
  };
  auto span = Wine_Registry::Locate(read, file.size(), "Software\\Unreal Technology\\B");
  ASSERT_TRUE(span);
  EXPECT_EQ(file.substr(span->start, span->end - span->start),
            "[Software\\\\Unreal Technology\\\\B] 1\n");
}
