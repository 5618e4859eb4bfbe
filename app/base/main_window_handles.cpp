#include "app/base/main_window_handles.h"

HWND mainWindow;
HWND resultList;
HWND searchBox;
HWND driveList;
