// How far a run, a preview or a restore is, in the title of the console
// window or the terminal: "Morvane – 523 von 3000 Paketen", with the time
// left once it can be told. The program's output never changes for it.
#pragma once

#include <functional>
#include <string>

// The title for `fertig` of `gesamt` packages done; `sekunden` is the time
// left, or negative while it cannot be told yet.
std::string fortschritt_titel(long fertig, long gesamt, double sekunden);

// Work on the packages that `zaehlen` counts begins: shown in the title,
// where there is one (only then are they counted).
void fortschritt_beginnen(const std::function<long()>& zaehlen);

// One more package is done.
void fortschritt_weiter();

// The work has ended, or ended with an error: the old title comes back.
void fortschritt_ende();
