// Undoing a run of Morvane 0.91, whose run folder holds the files it kept
// but no record: each kept file goes back where its name says it stood.
#pragma once

#include <string>

#include "driver/zugriff.h"

// Whether the run folder `laufordner` (ending in its separator `trenner`)
// holds kept files of its own (no links followed).
bool hat_gesicherte(const std::string& laufordner, const std::string& trenner);

// Puts back, in the installation `installation`, the kept files of its
// run folder `name`, oldest version first, as Morvane 0.91 named them. Only
// files and folders of its own are followed, no links.
void nach_namen_zuruecklegen(const std::string& installation, const std::string& trenner,
                             const std::string& name, Modus modus, Rueckgabe& rueckgabe);
