// The progress of long work in the console's title.
#include "driver/fortschritt.h"

#include <chrono>
#include <cmath>

#include "platform/console_title.h"

namespace {

using Uhr = std::chrono::steady_clock;

bool aktiv = false;
long gesamt_pakete = 0;
long fertige = 0;
Uhr::time_point beginn, gezeigt;

// How long before the time left is told: a guess from the first packages
// says little.
const double kSchaetzenAb = 3.0;

void zeigen() {
  Uhr::time_point jetzt = Uhr::now();
  // A few times a second is enough for an eye, and costs nothing.
  if (fertige != 0 && fertige != gesamt_pakete && jetzt - gezeigt < std::chrono::milliseconds(250))
    return;
  gezeigt = jetzt;
  double vergangen = std::chrono::duration<double>(jetzt - beginn).count();
  double sekunden = fertige > 0 && vergangen >= kSchaetzenAb
                        ? vergangen / fertige * (gesamt_pakete - fertige)
                        : -1;
  Console_Title(fortschritt_titel(fertige, gesamt_pakete, sekunden));
}

}  // namespace

std::string fortschritt_titel(long fertig, long gesamt, double sekunden) {
  std::string titel = "Morvane \xE2\x80\x93 " + std::to_string(fertig) + " von " +
                      std::to_string(gesamt) + (gesamt == 1 ? " Paket" : " Paketen");
  if (sekunden < 0 || fertig >= gesamt) return titel;
  long s = static_cast<long>(std::ceil(sekunden));
  if (s < 60) return titel + ", noch etwa " + std::to_string(s) + " s";
  return titel + ", noch etwa " + std::to_string((s + 59) / 60) + " min";
}

void fortschritt_beginnen(const std::function<long()>& zaehlen) {
  if (!aktiv && !Console_Title_Begin()) return;
  aktiv = true;
  gesamt_pakete = zaehlen();
  fertige = 0;
  beginn = Uhr::now();
  zeigen();
}

void fortschritt_weiter() {
  if (!aktiv) return;
  ++fertige;
  zeigen();
}

void fortschritt_ende() {
  if (!aktiv) return;
  aktiv = false;
  Console_Title_End();
}
