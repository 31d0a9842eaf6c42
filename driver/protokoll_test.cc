// The record of a run: every byte of a step comes back as it was written,
// and a step cut short is never taken for one.
#include "driver/protokoll.h"

#include <gtest/gtest.h>

#include "tests/test_util.h"

namespace {

Ziel_Schritt Ziel(const std::string& ziel, const std::string& sicherung, const std::string& link) {
  Ziel_Schritt schritt;
  schritt.ziel = ziel;
  schritt.sicherung = sicherung;
  schritt.link = link;
  return schritt;
}

Paket_Schritt Schritt(long nummer, const std::string& zeile) {
  Paket_Schritt schritt;
  schritt.zeilennummer = nummer;
  schritt.zeile = zeile;
  schritt.schluessel = std::string(34, 'K');
  schritt.groesse = 4711;
  schritt.ziele.push_back(
      Ziel("C:\\UT2004\\Maps\\DM-\xC3\xA4.ut2",
           "C:\\UT2004\\Morvane-Sicherung\\2026-12-08_101010\\Maps\\DM-\xC3\xA4 (2).ut2",
           "/shared/DM-Foo.ut2"));
  schritt.ziele.push_back(Ziel("D:\\Kopie\\Maps\\DM-\xC3\xA4.ut2", "", ""));
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
  // The installation's places are in the folder where the record lies
  // (a copied installation's record speaks of the copy); a further
  // installation's stay where they were.
  EXPECT_NE(text.find("ziel 0 Maps\\\\DM-\xC3\xA4.ut2\r\n"), std::string::npos) << text;
  EXPECT_EQ(erster.ziele[0].ziel, dir.path + "\\Maps\\DM-\xC3\xA4.ut2");
  EXPECT_EQ(erster.ziele[0].sicherung,
            dir.path + "\\Morvane-Sicherung\\2026-12-08_101010\\Maps\\DM-\xC3\xA4 (2).ut2");
  EXPECT_EQ(erster.ziele[0].link, "/shared/DM-Foo.ut2");
  EXPECT_EQ(erster.ziele[1].ziel, "D:\\Kopie\\Maps\\DM-\xC3\xA4.ut2");
  EXPECT_EQ(erster.ziele[1].sicherung, "");
  EXPECT_EQ(gelesen.verweigert, "");
}

// A record is a file that anything may write: a place outside the
// installations it names, in either version of the record, is refused
// with its line.
TEST(Protokoll, APlaceOutsideTheInstallationsIsRefused) {
  Temp_Folder dir;
  std::string pfad = Aufzeichnen(dir, {Schritt(5, "a")}, true);
  std::string text = Read_File(pfad);
  std::string gut = "ziel 0 Maps\\\\DM-\xC3\xA4.ut2";
  for (std::string boese :
       {"ziel 0 Maps\\\\..\\\\..\\\\notes.txt", "ziel 0 ..\\\\notes.ut2", "ziel 3 Maps\\\\DM-A.ut2",
        "ziel 0 Docs\\\\DM-A.ut2", "ziel 0 Maps\\\\NUL.ut2", "ziel 1 Maps\\\\a\\\\b.ut2",
        "ziel 0 Maps\\\\..", "ziel 0 Maps\\\\DM-A.utx", "ziel 1 Maps\\\\DM-A.ut2"}) {
    std::string anders = text;
    anders.replace(anders.find(gut), gut.size(), boese);
    Write_File(pfad, anders);
    Protokoll gelesen;
    ASSERT_TRUE(protokoll_lesen(pfad, gelesen));
    EXPECT_EQ(gelesen.verweigert, pfad + ", Zeile 11: " + boese) << boese;
  }
  // A further installation with ".." in its path.
  std::string weiter = text;
  weiter.replace(weiter.find("weitere D:"), 17, "weitere D:\\\\..\\\\x");
  Write_File(pfad, weiter);
  Protokoll gelesen;
  ASSERT_TRUE(protokoll_lesen(pfad, gelesen));
  EXPECT_EQ(gelesen.verweigert, pfad + ", Zeile 6: weitere D:\\\\..\\\\x");
  // Version 1 named whole paths: one outside the run's installations.
  std::string alt =
      "Morvane-Protokoll 1\r\nnummer 3\r\nlauf\r\ninstallation C:\\\\UT2004\r\n"
      "trenner \\\\\r\npaket 5 4\r\nschluessel " +
      std::string(34, 'K') +
      "\r\nzeile x\r\nziel C:\\\\UT2004\\\\Maps\\\\A.ut2\r\n"
      "sichere Z:\\\\home\\\\docs\\\\notes.txt\r\nschritt\r\n";
  Write_File(pfad, alt);
  ASSERT_TRUE(protokoll_lesen(pfad, gelesen));
  EXPECT_EQ(gelesen.verweigert, pfad + ", Zeile 10: sichere Z:\\\\home\\\\docs\\\\notes.txt");
  Write_File(pfad, alt.substr(0, alt.find("sichere")) + "schritt\r\n");
  ASSERT_TRUE(protokoll_lesen(pfad, gelesen));
  EXPECT_EQ(gelesen.verweigert, "");
  EXPECT_EQ(gelesen.pakete.at(0).ziele.at(0).ziel, dir.path + "\\Maps\\A.ut2");
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
