// The record of a run: every byte of a step comes back as it was written,
// and a step cut short is never taken for one.
#include "driver/protokoll.h"

#include <gtest/gtest.h>

#include "tests/test_util.h"

namespace {

Paket_Schritt Schritt(long nummer, const std::string& zeile) {
  Paket_Schritt schritt{nummer, zeile, zeile.substr(0, 34), 4711, {}};
  schritt.ziele.push_back({"C:\\UT2004\\Maps\\DM-\xC3\xA4.ut2",
                           "C:\\UT2004\\Morvane-Sicherung\\x\\Maps\\DM-\xC3\xA4 (2).ut2",
                           "/shared/DM-Foo.ut2"});
  schritt.ziele.push_back({"D:\\Kopie\\Maps\\DM-\xC3\xA4.ut2", "", ""});
  return schritt;
}

// Writes a record of `schritte` into a run folder of `dir` and returns its path.
std::string Aufzeichnen(const Temp_Folder& dir, const std::vector<Paket_Schritt>& schritte,
                        bool beenden) {
  Protokoll kopf;
  kopf.nummer = 7;
  kopf.installation = "C:\\UT2004";
  kopf.trenner = "\\";
  kopf.weitere = {"D:\\Kopie", "/home/spieler/ut"};
  protokoll_vorbereiten(kopf, dir / "Morvane-Sicherung/2026-12-08_101010/");
  for (const Paket_Schritt& schritt : schritte) protokoll_paket(schritt);
  if (beenden) protokoll_ende();
  return dir / "Morvane-Sicherung/2026-12-08_101010/morvane-protokoll.txt";
}

}  // namespace

TEST(Protokoll, EveryByteOfAStepComesBack) {
  Temp_Folder dir;
  // An 8-bit line (no UTF-8), a backslash and a control character in it.
  std::string zeile = std::string(34, 'K') + "=DM-\xE4\\\x1B[2J.ut2";
  std::string pfad = Aufzeichnen(dir, {Schritt(5, zeile), Schritt(9, "x")}, true);
  std::string text = Read_File(pfad);
  EXPECT_NE(text.find("zeile KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK=DM-\\xE4\\\\\\x1B[2J.ut2\r\n"),
            std::string::npos)
      << text;

  Protokoll gelesen;
  ASSERT_TRUE(protokoll_lesen(pfad, gelesen));
  EXPECT_EQ(gelesen.nummer, 7);
  EXPECT_EQ(gelesen.art, Art::lauf);
  EXPECT_EQ(gelesen.weitere, (std::vector<std::string>{"D:\\Kopie", "/home/spieler/ut"}));
  EXPECT_TRUE(gelesen.beendet);
  ASSERT_EQ(gelesen.pakete.size(), 2u);
  const Paket_Schritt& erster = gelesen.pakete[0];
  EXPECT_EQ(erster.zeile, zeile);
  EXPECT_EQ(erster.zeilennummer, 5);
  EXPECT_EQ(erster.groesse, 4711);
  ASSERT_EQ(erster.ziele.size(), 2u);
  EXPECT_EQ(erster.ziele[0].ziel, Schritt(5, zeile).ziele[0].ziel);
  EXPECT_EQ(erster.ziele[0].sicherung, Schritt(5, zeile).ziele[0].sicherung);
  EXPECT_EQ(erster.ziele[0].link, "/shared/DM-Foo.ut2");
  EXPECT_EQ(erster.ziele[1].sicherung, "");
}

TEST(Protokoll, AStepCutShortIsNoStep) {
  Temp_Folder dir;
  std::string pfad = Aufzeichnen(dir, {Schritt(5, "a"), Schritt(6, "b")}, true);
  std::string text = Read_File(pfad);
  // Cut in the second step, after its last target, before "schritt".
  Write_File(pfad, text.substr(0, text.rfind("schritt")));
  Protokoll gelesen;
  ASSERT_TRUE(protokoll_lesen(pfad, gelesen));
  EXPECT_FALSE(gelesen.beendet);
  ASSERT_EQ(gelesen.pakete.size(), 1u);
  EXPECT_EQ(gelesen.pakete[0].zeile, "a");
  // Another file is no record.
  Write_File(pfad, "[Cache]\r\n");
  EXPECT_FALSE(protokoll_lesen(pfad, gelesen));
}
