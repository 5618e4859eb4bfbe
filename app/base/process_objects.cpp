#include "app/base/process_objects.h"

HINSTANCE instance;
char* modulePath;
char* productTitle;
LinkedList* catalogue;
TextBuffer* copyListBuffer;
char* scanPath;
HANDLE catalogueLock;
ATOM classAtom;
UINT requestDataMessage;
UINT dataReadyMessage;
HACCEL acceleratorTable;
