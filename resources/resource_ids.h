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

#define IDD_DEVICE_PICKER 145
#define IDC_DEVICE_LIST 1010
#define IDC_MODE_LIST 1011

#define IDC_STATIC (-1)
