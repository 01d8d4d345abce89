// Resource, command, control and message ids shared by the resource script and
// the code. Ids that the program stores or that other programs see are frozen.
#pragma once

// ---- icons and bitmaps ------------------------------------------------------
#define IDI_QUORREL 100
#define IDB_HEADER_GLYPH 201      // list header's icon column
#define IDB_MISSING_ICON 202      // a category without an icon file
#define IDB_ABOUT 203             // About box picture
#define IDB_TOOLBAR 204           // six 28 x 29 toolbar pictures
#define IDB_TOOLBAR_DISABLED 205  // the same, greyed
#define IDB_TOOLBAR_150 206       // the toolbar pictures at 150 % (42 x 44) and 200 % (56 x 58)
#define IDB_TOOLBAR_DISABLED_150 207
#define IDB_TOOLBAR_200 208
#define IDB_TOOLBAR_DISABLED_200 209
#define IDB_ABOUT_150 210  // the About picture at 150 % (144 x 66) and 200 % (192 x 88)
#define IDB_ABOUT_200 211

// ---- menu and commands --------------------------------------------------------
#define IDM_MAIN 400
#define IDM_LOCK 401
#define IDM_PASSWORD 402
#define IDM_IMPORT 403
#define IDM_EXPORT 404
#define IDM_SYNCHRONIZE 405
#define IDM_EXIT 406
#define IDM_NEW_RECORD 407
#define IDM_EDIT_RECORD 408
#define IDM_DELETE_RECORD 409
#define IDM_CATEGORIES 410
#define IDM_PREFERENCES 411
#define IDM_HELP_CONTENTS 412
#define IDM_ABOUT 413
#define IDM_FILTER_PLACEHOLDER 415  // toolbar separator that holds the filter box
#define IDA_MAIN 416                // the main window's keyboard shortcuts
#define IDM_FIND 417                // puts the focus in the search box
#define IDM_SEARCH_PLACEHOLDER 418  // toolbar separator that holds the search box

// Toolbar picture order in IDB_TOOLBAR and IDB_TOOLBAR_DISABLED.
#define TOOLBAR_IMAGE_NEW 0
#define TOOLBAR_IMAGE_UNLOCKED 1
#define TOOLBAR_IMAGE_LOCKED 2
#define TOOLBAR_IMAGE_EDIT 3
#define TOOLBAR_IMAGE_DELETE 4
#define TOOLBAR_IMAGE_SYNCHRONIZE 5

// ---- main window children -----------------------------------------------------
#define IDC_TOOLBAR 1001
#define IDC_FILTER 1002
#define IDC_STATUS 1003
#define IDC_RECORD_LIST 1004
#define IDC_SPLITTER 1005
#define IDC_RECORD_VIEW 1006
#define IDC_SEARCH 1007

// ---- private window messages (WM_USER + n) -------------------------------------
#define UM_POSTCREATE 0x0401
#define UM_SAVECOLUMNWIDTHS 0x0402
#define UM_SHOWSELECTED 0x0403  // the pane shows the selected record once the list is done

// ---- dialog templates ----------------------------------------------------------
#define IDD_FIRST_RUN 2000
#define IDD_EARLIER_VERSION 2100
#define IDD_GET_STARTED 2200
#define IDD_ABOUT 2400
#define IDD_RECORD_EDIT 2500
#define IDD_PREFERENCES 2600
#define IDD_COLOUR_PALETTE 2700
#define IDD_COLOUR_CUSTOM 2800
#define IDD_PASSWORD 2900
#define IDD_CHANGE_PASSWORD 3000
#define IDD_NO_PASSWORD 3100
#define IDD_CATEGORY_SELECT 3200
#define IDD_CATEGORY_EDIT 3300
#define IDD_GENERATE_PASSWORD 3400
#define IDD_PROGRESS 3500

// ---- dialog controls -------------------------------------------------------------
// Earlier-version notice
#define IDC_DATABASE_PATH 2001
// Getting Started
#define IDC_GET_STARTED_ICON 2201
// About
#define IDC_ABOUT_TITLE 2401
#define IDC_ABOUT_EDITION 2402
#define IDC_ABOUT_PICTURE 2403  // its picture, drawn larger at 150 % and 200 %
// Record edit (the category combo box and field labels are shared with the category edit dialog)
#define IDC_CATEGORY_LABEL 2501
#define IDC_FIELD1_LABEL 2502
#define IDC_NOTE_LABEL 2503
#define IDC_FIELD2_LABEL 2504
#define IDC_FIELD3_LABEL 2505
#define IDC_FIELD4_LABEL 2506
#define IDC_FIELD5_LABEL 2507
#define IDC_FIELD6_LABEL 2508
#define IDC_FIELD1 2509
#define IDC_FIELD2 2510
#define IDC_FIELD3 2511
#define IDC_FIELD4 2512
#define IDC_FIELD5 2513
#define IDC_FIELD6 2514
#define IDC_NOTE 2515
#define IDC_CATEGORY 2516
#define IDC_GENERATE 2517
// Preferences
#define IDC_ODD_COLOUR 2601
#define IDC_EVEN_COLOUR 2602
#define IDC_VISIBLE_COLUMNS 2603
#define IDC_VISIBLE_COLUMNS_SPIN 2604
#define IDC_LOCKOUT_ENABLE 2605
#define IDC_LOCKOUT_MINUTES 2606
#define IDC_LOCKOUT_MINUTES_SPIN 2607
#define IDC_LOCKOUT_MINUTES_LABEL 2608
#define IDC_CLEARTEXT_PASSWORDS 2609
#define IDC_PROMPT_ON_OPEN 2610
#define IDC_NO_PASSWORD_WARNING 2611
#define IDC_URLS_AS_LINKS 2612
#define IDC_PER_CATEGORY_WIDTHS 2613
// Colour palette and custom colour
#define IDC_CUSTOM_COLOUR 2701
#define IDC_RED_SLIDER 2801
#define IDC_GREEN_SLIDER 2802
#define IDC_BLUE_SLIDER 2803
#define IDC_RED_VALUE 2804
#define IDC_GREEN_VALUE 2805
#define IDC_BLUE_VALUE 2806
#define IDC_COLOUR_PREVIEW 2807
// Enter Password
#define IDC_PASSWORD 2901
#define IDC_PASSWORD_LABEL 2902
#define IDC_PASSWORD_PROMPT 2903
// Change Password
#define IDC_OLD_PASSWORD 3001
#define IDC_NEW_PASSWORD 3002
#define IDC_CONFIRM_PASSWORD 3003
#define IDC_OLD_PASSWORD_LABEL 3004
#define IDC_NEW_PASSWORD_LABEL 3005
#define IDC_CONFIRM_PASSWORD_LABEL 3006
// No Password
#define IDC_SHOW_WARNING 3101
#define IDC_WARNING_ICON 3102
// Category chooser
#define IDC_EDIT_CATEGORY 3201
#define IDC_DELETE_CATEGORY 3202
#define IDC_NEW_CATEGORY 3203
// Category edit
#define IDC_CATEGORY_NAME 3301
#define IDC_PROTECT_CATEGORY 3302
#define IDC_CATEGORY_NAME_LABEL 3303
#define IDC_CATEGORY_ICON 3304
// Generate Password
#define IDC_GENERATED_LENGTH 3401
#define IDC_GENERATED_LENGTH_SPIN 3402
#define IDC_INCLUDE_UPPER 3403
#define IDC_INCLUDE_LOWER 3404
#define IDC_INCLUDE_DIGITS 3405
#define IDC_INCLUDE_PUNCTUATION 3406
#define IDC_GENERATE_NOW 3407
#define IDC_GENERATED_PASSWORD 3408
// Progress of an import or export
#define IDC_PROGRESS_TEXT 3501
#define IDC_PROGRESS_BAR 3502
