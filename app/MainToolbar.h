// The main window's toolbar: the lock and synchronise buttons, the category
// filter box, the place of the search box in a separator that widens with
// the record list, and the record buttons. Its pictures come from the
// command table.
#pragma once

#include "dialogs/framework/Gdi.h"

#include <windows.h>

class CCategories;

// Names a box of the toolbar in its tool tips, as the buttons are named: what
// a pointer shows and what accessibility clients read.
void NameInToolTips(HWND toolbar, HWND box, UINT tipId);

class MainToolbar {
public:
    // Creates the toolbar (control id 1001) with its filter box (1002).
    void Create(HWND parent, HINSTANCE resources, int dpi);
    // The pictures, the buttons and the boxes for a DPI (and after the
    // system's colours changed, which the pictures' background follows).
    void SetDpi(int dpi);
    // The toolbar's height once it has fitted itself to the parent's width.
    int Height() const;
    // Where the search box goes (toolbar client coordinates).
    RECT SearchPlace() const { return searchPlace; }
    // Widens the search box's separator up to the splitter, so the buttons
    // after it move right with the list.
    void FollowSplitter(int splitterX);
    void ShowLocked(bool locked);
    void Enable(int command, bool enable);

    HWND FilterBox() const;
    // "All" and every category, with "All" chosen.
    void FillFilter(const CCategories& categories);
    // Chooses a category's entry (-1: "All").
    void SelectFilter(int categoryId);
    // The chosen entry's category id, -1 for "All", or kNoChoice.
    int ChosenFilter() const;
    static constexpr int kNoChoice = -2;

    HWND hwnd = nullptr;

private:
    HINSTANCE resources = nullptr;
    int dpi = 96;
    ImageList images;  // the toolbar does not free its image lists
    ImageList disabledImages;
    Font font;  // the boxes' font at the DPI
    int searchLeft = 0;
    int searchWidth = 0;
    RECT searchPlace = {};
};
