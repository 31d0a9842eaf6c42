// Windows: which paths the wide calls get in the long-path form. Wine takes
// long paths in either form; Windows only in this one.
#include "platform/wide-win32.h"

#include <gtest/gtest.h>

namespace {

// "C:\" and folders of 200 units each, `units` in all, of the letter `letter`.
std::string Path_Of(size_t units, const std::string& letter = "L") {
  std::string path = "C:";
  for (size_t made = 2; made < units;) {
    path += "\\";
    ++made;
    for (size_t in = 0; in < 200 && made < units; ++in, ++made) path += letter;
  }
  return path;
}

TEST(Wide_Paths, FromTheFolderLimitOn248UnitsTheLongForm) {
  EXPECT_EQ(Wide_Path(Path_Of(247)), Wide(Path_Of(247)));
  for (size_t units : {248, 259, 260, 300})
    EXPECT_EQ(Wide_Path(Path_Of(units)), L"\\\\?\\" + Wide(Path_Of(units))) << units;
  // Counted in UTF-16 units, not in bytes: a Cyrillic letter is one.
  EXPECT_EQ(Wide_Path(Path_Of(247, "\xD0\x94")), Wide(Path_Of(247, "\xD0\x94")));
  EXPECT_EQ(Wide_Path(Path_Of(248, "\xD0\x94")), L"\\\\?\\" + Wide(Path_Of(248, "\xD0\x94")));
}

TEST(Wide_Paths, ANetworkPathInItsLongFormAndOneInItAlreadyAsItIs) {
  std::string share = "\\\\server\\share" + Path_Of(260).substr(2);
  EXPECT_EQ(Wide_Path(share), L"\\\\?\\UNC\\" + Wide(share.substr(2)));
  std::wstring given = L"\\\\?\\" + Wide(Path_Of(300));
  EXPECT_EQ(Wide_Path(Narrow(given)), given);
}

}  // namespace
