// The Options panel, where the settings are edited and saved.
#pragma once

class Options;

// The open panel, or null.
Options* optionsPanel();
// Creates the panel from its design, loads it from the settings and shows it.
void showOptionsPanel();
