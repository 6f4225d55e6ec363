#pragma once

#include <string>

// The per-user settings store of the organizer: a file under the XDG config folder, one group per
// section ("Calvendra1.0" for the e-mail settings). It holds the SMTP password, so the file and its
// folder are kept readable by their owner only.
namespace calvendra {

// $XDG_CONFIG_HOME/calvendra/calvendra.conf, where an unset or relative XDG_CONFIG_HOME stands for
// ~/.config.
std::string ProfileFilePath();

// Makes the profile file the program's settings store (wxConfigBase::Get). Values are read and
// written exactly as given: nothing in them is expanded. A file that is partly damaged is kept
// beside it as "calvendra.conf.damaged" and replaced by what of it can be read, with a line in the
// log, so that start-up goes on with those settings and the defaults for the rest.
void SelectProfile();

// Writes pending changes to the file and restricts the file to its owner.
void FlushProfile();

}  // namespace calvendra
