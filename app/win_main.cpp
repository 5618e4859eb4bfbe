// The life of the process: the shared objects, the main window, the one
// message loop, and an ordered shutdown that ends in ExitProcess.
#include <windows.h>
#include <ole2.h>

#include "app/base/app_messages.h"
#include "app/base/catalogue_lock.h"
#include "app/base/error_report.h"
#include "app/base/process_heap.h"
#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "catalogue/linked_list.h"
#include "catalogue/scanner.h"
#include "catalogue/text_buffer.h"
#include "integration/command_line.h"
#include "integration/settings.h"
#include "resources/resource.h"
#include "ui/presentation_state.h"

static const unsigned copyListInitialSize = 8192;
static const unsigned copyListGrowStep = 0x40000;

// Dialog procedure of the main window's template. The window's own class
// procedure receives every message, the dialog messages included, and never
// hands one to the dialog manager, so this is never called.
static INT_PTR CALLBACK MainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

static char* AllocateText(unsigned size)
{
    return CheckAllocation(static_cast<char*>(AllocZeroed(size)), 1);
}

static void CreateProcessObjects()
{
    catalogue = CheckAllocation(new LinkedList(), 1);
    copyListBuffer = CheckAllocation(new TextBuffer(copyListInitialSize, copyListGrowStep), 1);
    presentationState = CheckAllocation(new PresentationState(), 1);
    scanPath = AllocateText(scanPathSize);
    catalogueLock = CreateMutexA(NULL, FALSE, NULL);
    if (!catalogueLock)
        ReportLastError(NULL, 1, 0, NULL);
    requestDataMessage = RegisterWindowMessageA("SorvaneRequestData");
    if (!requestDataMessage)
        ReportLastError(NULL, 1, 0, NULL);
    dataReadyMessage = RegisterWindowMessageA("SorvaneDataReady");
    if (!dataReadyMessage)
        ReportLastError(NULL, 1, 0, NULL);
}

static ATOM RegisterMainClass()
{
    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    // The class serves as the private class of a dialog template.
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN));
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = productTitle;
    return RegisterClassA(&windowClass);
}

// Tab, Enter, Esc and the arrows act only through the accelerator table:
// there is no dialog manager in this loop. The W forms, so that a typed
// character reaches the (Unicode) controls as it was typed: through the A
// forms it would pass the input locale's code page, which has no room for
// a letter of another script.
static WPARAM RunMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        if (TranslateAcceleratorW(mainWindow, acceleratorTable, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return message.wParam;
}

// The scanner is never waited for. Holding catalogueLock for good keeps it
// away from the catalogue; whatever else it may still touch (scanPath, the
// lock itself) is left to the process exit, since it may run until then.
[[noreturn]] static void ShutDown(WPARAM exitCode)
{
    LockCatalogue();
    FreeCatalogueEntries();
    delete copyListBuffer;
    copyListBuffer = NULL;
    delete catalogue;
    catalogue = NULL;
    delete presentationState;
    presentationState = NULL;
    FreeBlock(modulePath);
    modulePath = NULL;
    FreeBlock(productTitle);
    productTitle = NULL;
    OleUninitialize();
    ExitProcess((UINT)exitCode);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    OleInitialize(NULL);
    instance = hInstance;
    modulePath = AllocateText(modulePathSize);
    productTitle = AllocateText(productTitleSize);
    if (!GetModuleFileNameA(NULL, modulePath, modulePathSize))
        ReportLastError(NULL, 0, 0, NULL);
    LoadStringA(instance, IDS_PRODUCT, productTitle, productTitleSize);

    // As long as a scan root may be: a path cut to fit a smaller buffer can
    // name an existing folder that was never asked for, and that folder would
    // be loaded in its place.
    char* startPath = AllocateText(scanPathSize);
    ParseCommandLine(startPath, scanPathSize);
    CreateProcessObjects();

    classAtom = RegisterMainClass();
    if (!classAtom) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDialogProc, 0);
    if (!window) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    // The saved show state decides the first show, not the one we were given.
    ShowWindow(window, (int)ReadSettingNumber(SettingShowState));
    if (startPath[0])
        SendMessageA(window, WM_APP_SCAN_REQUEST, 0, reinterpret_cast<LPARAM>(startPath));
    FreeBlock(startPath);
    acceleratorTable = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ShutDown(RunMessageLoop());
}

// The process starts here rather than in the C runtime's start-up, which
// would bring a good part of the program's size for nothing it uses: no
// arguments (ParseCommandLine asks the system), no standard streams, no
// constructors of globals, no thread-local callbacks. WinMain reads neither
// the command line nor the show state it is handed.
extern "C" void ProgramEntry()
{
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, const_cast<char*>(""), SW_SHOWDEFAULT));
}
