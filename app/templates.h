/* The dialog templates' identifiers and their items' places in dialog units. Read by the resource
   compiler for the Windows templates and by the layout, which turns the same numbers into pixels
   for shells that have no dialog manager: one set of numbers for every shell. Plain macros, as the
   resource compiler understands nothing else. */
#ifndef APP_TEMPLATES_H
#define APP_TEMPLATES_H

#define IDI_APP_ICON 100
#define IDD_MAIN 200
#define IDB_BACKGROUND 301
#define IDB_ABOUT_TITLE 303
#define IDR_MODULE 500
#define IDD_ABOUT 600

#define IDC_MAIN_FRAME 403
#define IDC_ABOUT_BUTTON 407
#define IDC_EXIT_BUTTON 408
#define IDC_CLOSE_BUTTON 409
#define IDC_ABOUT_FRAME 411

/* Main dialog: x, y, width, height. */
#define MAIN_DLU 0, 0, 200, 141
#define MAIN_FRAME_DLU 0, 0, 200, 141
#define MAIN_BACKGROUND_DLU 1, 1, 198, 139
#define ABOUT_BUTTON_DLU 7, 117, 41, 14
#define EXIT_BUTTON_DLU 167, 118, 25, 15

/* About box. */
#define ABOUT_DLU 0, 0, 204, 124
#define ABOUT_TITLE_DLU 0, 0, 204, 15
#define ABOUT_FRAME_DLU 0, 14, 204, 110
#define CLOSE_BUTTON_DLU 185, 2, 11, 11

#define DIALOG_FONT_SIZE 8
#define DIALOG_FONT "Tahoma"

#endif
