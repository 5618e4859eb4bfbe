#include "app/base/captions.h"

#include "app/base/process_objects.h"

void SetCaptionFromString(HWND window, int controlId, int stringId)
{
    char text[stringTextSize] = {0};
    LoadStringA(instance, stringId, text, sizeof(text));
    SetDlgItemTextA(window, controlId, text);
}
