#include "dialogs/framework/Layout.h"
#include "dialogs/framework/Mnemonic.h"

#include <gtest/gtest.h>

namespace {

TEST(MainLayout, SplitterKeepsItsScreenPlaceAndItsMargins) {
    struct Case {
        int lastLeft, left, splitterX, dragOffset, clientWidth, expected;
        const char* what;
    };
    const Case cases[] = {
        {100, 100, 300, 0, 800, 300, "unchanged"},
        {100, 150, 300, 0, 800, 250, "left edge dragged right: same screen place"},
        {100, 100, 300, 60, 800, 360, "a finished drag"},
        {100, 100, 300, -290, 800, 40, "never closer than 40 to the left"},
        {100, 100, 780, 0, 800, 753, "never closer than 40 to the right"},
        {100, 100, 300, 0, 200, 153, "a narrow window"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitterX(c.lastLeft, c.left, c.splitterX, c.dragOffset, c.clientWidth), c.expected) << c.what;
    }
}

TEST(MainLayout, FilterSeparatorGrowsWithAWideList) {
    EXPECT_EQ(FilterSeparatorWidth(100, 200, 150, 17), 200);  // narrow list: the box's own width
    EXPECT_EQ(FilterSeparatorWidth(100, 200, 400, 17), 317);  // wide list: up to the splitter
}

TEST(MainLayout, InitialWindowStaysReachable) {
    WindowRectangle r = InitialWindowRect(5000, 30, 10, 570, 1280, 1000);
    EXPECT_EQ(r.x, 1216);
    EXPECT_EQ(r.y, 30);
    EXPECT_EQ(r.width, 64);
    EXPECT_EQ(r.height, 570);
    r = InitialWindowRect(-50, -20, 770, 570, 1280, 1000);
    EXPECT_EQ(r.x, -50);  // no lower bound
    EXPECT_EQ(r.y, -20);
}

TEST(Placement, DialogsAreCentredAndKeptInTheWorkArea) {
    PlacementRect work = {0, 0, 1280, 1000};
    PlacementPoint alone = CentredPosition(work, nullptr, 200, 100);
    EXPECT_EQ(alone.x, 540);
    EXPECT_EQ(alone.y, 450);
    PlacementRect owner = {100, 100, 500, 400};
    PlacementPoint over = CentredPosition(work, &owner, 200, 100);
    EXPECT_EQ(over.x, 200);
    EXPECT_EQ(over.y, 200);
    PlacementRect nearRight = {1100, 900, 1400, 1100};
    PlacementPoint pushed = CentredPosition(work, &nearRight, 200, 100);
    EXPECT_EQ(pushed.x, 1080);  // ends at the work area's width
    EXPECT_EQ(pushed.y, 900);
    PlacementRect offLeft = {-600, -500, -400, -300};
    PlacementPoint raised = CentredPosition({10, 20, 1280, 1000}, &offLeft, 200, 100);
    EXPECT_EQ(raised.x, 10);
    EXPECT_EQ(raised.y, 20);
}

TEST(Placement, PopupsMoveBackIntoTheWorkArea) {
    PlacementRect work = {0, 0, 1280, 1000};
    PlacementRect r = KeptInWorkArea(work, {1200, 950, 1300, 1050});
    EXPECT_EQ(r.left, 1180);
    EXPECT_EQ(r.top, 900);
    EXPECT_EQ(r.Width(), 100);
    r = KeptInWorkArea(work, {-30, -10, 70, 90});
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
}

// Labels written at run time get a mnemonic each: a word's first letter
// when it is free, else any free letter or digit, else none; "&" shows as itself.
TEST(Mnemonics, EachLabelTakesAFreeKey) {
    struct Case {
        const wchar_t* label;
        const wchar_t* shown;
    };
    const Case cases[] = {
        {L"Bank:", L"&Bank:"},            // B is free
        {L"Account #:", L"&Account #:"},  // A is free
        {L"Branch:", L"B&ranch:"},        // B is taken now: the next free letter
        {L"Card Number:", L"Card &Number:"},
        {L"N & C:", L"N && C:"},  // every letter taken: no mnemonic, "&" doubled
        {L"PIN 2:", L"&PIN 2:"},
        {L"PIN 3:", L"PIN &3:"},
        {L"", L""},
    };
    std::wstring taken = L"CG";  // the dialog's own keys
    for (const Case& c : cases) EXPECT_EQ(WithMnemonic(c.label, taken), c.shown) << c.label;
    EXPECT_EQ(taken, L"CGBARNP3");
}

TEST(Mnemonics, TheKeyOfATemplateText) {
    EXPECT_EQ(MnemonicOf(L"&Category:"), L'C');
    EXPECT_EQ(MnemonicOf(L"&generate\nPassword ..."), L'G');
    EXPECT_EQ(MnemonicOf(L"Salt && &pepper"), L'P');
    EXPECT_EQ(MnemonicOf(L"Salt && pepper"), 0);
    EXPECT_EQ(MnemonicOf(L"Trailing &"), 0);
}

}  // namespace
