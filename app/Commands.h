// The commands of the menu and the toolbar, one row each: what runs, the
// status-bar help and the tool tip, the toolbar picture, and what the command
// needs to be enabled. Menus, toolbar, help texts and enabling all read it.
#pragma once

#include <span>

class MainWindowState;

enum class CommandNeeds {
    Nothing,
    Selection,  // a record selected in the list
    Password,   // a master password set
};

struct CommandRow {
    int id;
    void (*run)(MainWindowState& window);  // null for a command with no behaviour
    int menuHelp;                          // status-bar text for the menu item
    int menuHelpLocked;                    // instead while the data is locked; 0 for the same
    int toolTip;                           // 0 when not on the toolbar
    int toolTipLocked;                     // instead while the data is locked; 0 for the same
    int image;                             // toolbar picture; -1 when not on the toolbar
    CommandNeeds needs;
};

std::span<const CommandRow> CommandTable();
// The row of a command id, or null.
const CommandRow* FindCommand(int id);
// The status-bar help or tool tip of a command in a lock state; 0 for none.
int MenuHelpText(int id, bool locked);
int ToolTipText(int id, bool locked);
