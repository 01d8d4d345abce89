// The Categories command: the chooser, then the action it asked for (edit,
// new, delete), then the chooser again, until the user closes it.
#pragma once

class MainWindowState;

void EditCategories(MainWindowState& window);
