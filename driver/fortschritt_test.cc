// The title that long work shows: how many packages of how many, and the
// time left in words a player reads at a glance.
#include "driver/fortschritt.h"

#include <gtest/gtest.h>

namespace {

TEST(Fortschritt, TitleTellsPackagesAndTimeLeft) {
  const std::string vor = "Morvane \xE2\x80\x93 ";
  EXPECT_EQ(vor + "523 von 3000 Paketen", fortschritt_titel(523, 3000, -1));
  EXPECT_EQ(vor + "0 von 1 Paket", fortschritt_titel(0, 1, -1));
  EXPECT_EQ(vor + "523 von 3000 Paketen, noch etwa 41 s", fortschritt_titel(523, 3000, 40.2));
  EXPECT_EQ(vor + "523 von 3000 Paketen, noch etwa 1 min", fortschritt_titel(523, 3000, 60));
  EXPECT_EQ(vor + "523 von 3000 Paketen, noch etwa 4 min", fortschritt_titel(523, 3000, 181));
  // Done: nothing is left to wait for.
  EXPECT_EQ(vor + "3000 von 3000 Paketen", fortschritt_titel(3000, 3000, 0));
}

}  // namespace
