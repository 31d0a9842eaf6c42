// The native games' user folders: which are listed, and when none are.
#include <gtest/gtest.h>

#include "platform/user_folders.h"
#include "tests/scoped_environment.h"
#include "tests/test_util.h"

TEST(User_Folders, OnlyThoseWithAFolderNamedCacheInHome) {
  Temp_Folder home;
  Make_Folder(home / ".ut2004/Cache");
  Make_Folder(home / ".ut2003/cache");     // the game would not read it
  Write_File(home / ".ut2003/Cache", "");  // nor a file
  Make_Folder(home / ".ut2002/Cache");     // no game of ours
  Scoped_Environment set("HOME", home.path + "/");
  EXPECT_EQ(User_Folders(), std::vector<std::string>{home / ".ut2004"});
  Scoped_Environment empty("HOME", "");
  EXPECT_TRUE(User_Folders().empty());
  unsetenv("HOME");
  EXPECT_TRUE(User_Folders().empty());
}
