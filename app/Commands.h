// The commands of the menu and the toolbar, one row each: what runs, the
// status-bar help and the tool tip, the toolbar picture, and what the command
// needs to be enabled. Menus, toolbar, help texts and enabling all read it.
#pragma once

#include <windows.h>

#include <span>

enum class CommandNeeds {
    Nothing,
    Selection,  // a record selected in the list
    Password,   // a master password set
};

struct CommandRow {
    int id;
    void (*run)(HWND mainWindow);  // null for a command with no behaviour
    int menuHelp;                  // status-bar text for the menu item
    int menuHelpLocked;            // instead while the data is locked; 0 for the same
    int toolTip;                   // 0 when not on the toolbar
    int toolTipLocked;             // instead while the data is locked; 0 for the same
    int image;                     // toolbar picture; -1 when not on the toolbar
    CommandNeeds needs;
};

std::span<const CommandRow> CommandTable();
// The row of a command id, or null.
const CommandRow* FindCommand(int id);
// The status-bar help or tool tip of a command in the present lock state; 0 for none.
int MenuHelpText(int id);
int ToolTipText(int id);

// Runs a menu or toolbar command; false when the id is no command.
bool RunCommand(HWND mainWindow, int id);
// Enables or greys every command's menu item and toolbar button for the
// present state (selection, password).
void UpdateCommandStates();

// Locks the data: protected values read "******" and the key leaves memory
// until the next unlock verifies the password again; a copied value leaves
// the clipboard.
void LockData();
