// Identifiers of the program's resources and of the controls and commands inside them, shared by the
// code that loads the resources and the code that answers their messages.
#pragma once

#define IDR_MAIN_MENU 147
#define ID_FILE_OPEN 40015
#define ID_FILE_NEXT 40101
#define ID_FILE_PREVIOUS 40102
#define ID_FILE_RELOAD 40103
#define ID_FILE_PICTURE 40104
#define ID_FILE_EXIT 40105

// View and Animation menus: each does what its key does.
#define ID_VIEW_NORMAL 40201
#define ID_VIEW_LIGHTMAPS 40202
#define ID_VIEW_TEXTURES 40203
#define ID_VIEW_WIREFRAME 40204
#define ID_VIEW_LIGHTING 40205
#define ID_VIEW_PANEL 40206
#define ID_VIEW_CHEATSHEET 40207
#define ID_ANIMATION_PAUSE 40211
#define ID_ANIMATION_STEP_BACK 40212
#define ID_ANIMATION_STEP_FORWARD 40213
#define ID_ANIMATION_SLOWER 40214
#define ID_ANIMATION_FASTER 40215
#define ID_ANIMATION_FIRST_FRAME 40216

#define IDD_DEVICE_PICKER 145
#define IDC_DEVICE_LIST 1010
#define IDC_MODE_LIST 1011

#define IDC_STATIC (-1)
