#pragma once

// Resource and command ids of the tray program; shared by glancer.rc and
// the C++ sources.

#define IDD_DRIVER 101
#define IDI_GLANCER 103
#define IDD_PLUGINS 104

#define IDC_DRIVER_COMBO 1000
#define IDC_CONFIGURE 1001
#define IDC_PLUGIN_LIST 1002

#define IDM_EXIT 32769
#define IDM_SELECT_DRIVER 32770
#define IDM_ABOUT 32771
#define IDM_LOAD_GUI 32772
#define IDM_EDIT_SCREENS 32773
#define IDM_CONFIGURE_PLUGINS 32774

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
