#include "app/main_window.h"

HWND mainWindow;
