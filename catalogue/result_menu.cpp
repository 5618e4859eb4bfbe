#include "catalogue/result_menu.h"

#include <string.h>

#include "app/base/error_report.h"
#include "app/base/owners.h"
#include "resources/resource.h"

IContextMenu2* shellMenu2;
IContextMenu3* shellMenu3;

// The shell hands out command ids from 1 up to this; the program's own items
// use 30001 and above.
static const UINT lastShellCommand = 29999;

// An item id list from the shell's allocator, which must outlive it.
struct OwnedIdList {
    IMalloc* allocator;
    ITEMIDLIST* list;

    explicit OwnedIdList(IMalloc* owner) : allocator(owner), list(NULL) {}
    ~OwnedIdList()
    {
        if (list)
            allocator->Free(list);
    }
    OwnedIdList(const OwnedIdList&) = delete;
    OwnedIdList& operator=(const OwnedIdList&) = delete;
};

// Shows the pop-up's menu object to the result list's window procedure for
// as long as the pop-up is on screen.
struct PublishedShellMenu {
    PublishedShellMenu(IContextMenu* menu, int version)
    {
        shellMenu2 = menu && version >= 2 ? static_cast<IContextMenu2*>(menu) : NULL;
        shellMenu3 = menu && version >= 3 ? static_cast<IContextMenu3*>(menu) : NULL;
    }
    ~PublishedShellMenu()
    {
        shellMenu2 = NULL;
        shellMenu3 = NULL;
    }
    PublishedShellMenu(const PublishedShellMenu&) = delete;
    PublishedShellMenu& operator=(const PublishedShellMenu&) = delete;
};

// The shell's objects behind one pop-up, in the order they are obtained:
// the folder is the last one bound on the way down to the entry's parent.
struct ShellMenuObjects {
    OwnedInterface<IMalloc> allocator;
    OwnedIdList idList;
    OwnedInterface<IShellFolder> folder;
    OwnedInterface<IContextMenu> menuObject;
    int version;

    ShellMenuObjects() : idList(NULL), version(0) {}
};

// ---- The pop-up ------------------------------------------------------------

void AddResultMenuItems(HWND resultList, HMENU menu, const char* entry)
{
    size_t length = strlen(entry);
    const UINT folderGrey = length && entry[length - 1] == '\\' ? MF_GRAYED : 0;
    LRESULT count = SendMessageA(resultList, LB_GETCOUNT, 0, 0);
    const UINT listGrey = count == 0 || count == LB_ERR ? MF_GRAYED : 0;

    if (GetMenuItemCount(menu) > 0)
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, NULL);
    // Each goes in at the top, so they are inserted bottom first.
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_OPEN_FOLDER, "Open Folder");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING | listGrey, IDM_COPY_LIST, "Copy List");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_COPY_PATH, "Copy Path");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING | folderGrey, IDM_COPY_TITLE, "Copy Title");
    InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING | folderGrey, IDM_COPY_PATH_TITLE,
                "Copy Path and Title");
}

HRESULT GetShellContextMenu(IShellFolder* folder, LPCITEMIDLIST item, IContextMenu** menu,
                            int* version)
{
    *menu = NULL;
    *version = 0;
    OwnedInterface<IContextMenu> base;
    HRESULT result = folder->GetUIObjectOf(NULL, 1, &item, IID_IContextMenu, NULL, base.Out());
    if (FAILED(result))
        return result;
    if (!base.object)
        return E_FAIL;
    // The later versions draw and key the shell's owner-drawn items (the
    // "Send To" and "Open With" submenus) through the forwarded messages.
    OwnedInterface<IContextMenu3> third;
    if (SUCCEEDED(base.object->QueryInterface(IID_IContextMenu3, third.Out())) && third.object) {
        *menu = third.Detach();
        *version = 3;
        return S_OK;
    }
    OwnedInterface<IContextMenu2> second;
    if (SUCCEEDED(base.object->QueryInterface(IID_IContextMenu2, second.Out())) && second.object) {
        *menu = second.Detach();
        *version = 2;
        return S_OK;
    }
    *menu = base.Detach();
    *version = 1;
    return S_OK;
}

static const SHITEMID* NextId(const SHITEMID* id)
{
    return reinterpret_cast<const SHITEMID*>(reinterpret_cast<const BYTE*>(id) + id->cb);
}

// Puts the shell's items for path into menu. 1 when they are there; on 0
// the menu holds nothing and shell holds what was obtained, for its owner to
// release.
static int AddShellItems(HWND resultList, HMENU menu, const WCHAR* path, ShellMenuObjects* shell)
{
    if (FAILED(SHGetMalloc(&shell->allocator.object)) || !shell->allocator.object)
        return 0;
    shell->idList.allocator = shell->allocator.object;
    if (FAILED(SHGetDesktopFolder(&shell->folder.object)) || !shell->folder.object)
        return 0;
    ULONG eaten = 0;
    ULONG attributes = 0;
    if (FAILED(shell->folder.object->ParseDisplayName(resultList, NULL, const_cast<WCHAR*>(path),
                                                      &eaten, &shell->idList.list, &attributes)) ||
        !shell->idList.list)
        return 0;

    int count = 0;
    for (const SHITEMID* id = &shell->idList.list->mkid; id->cb; id = NextId(id))
        ++count;
    if (count == 0)
        return 0;

    // Down from the desktop to the entry's parent, one id at a time.
    const SHITEMID* id = &shell->idList.list->mkid;
    for (int step = 0; step < count - 1; ++step, id = NextId(id)) {
        OwnedIdList single(shell->allocator.object);
        single.list = static_cast<ITEMIDLIST*>(shell->allocator.object->Alloc(id->cb + 2));
        if (!single.list)
            return 0;
        memcpy(single.list, id, id->cb);
        memset(reinterpret_cast<BYTE*>(single.list) + id->cb, 0, 2);
        OwnedInterface<IShellFolder> child;
        if (FAILED(shell->folder.object->BindToObject(single.list, NULL, IID_IShellFolder,
                                                      child.Out())) ||
            !child.object)
            return 0;
        // The child becomes current; its owner gives back the folder above.
        IShellFolder* above = shell->folder.object;
        shell->folder.object = child.object;
        child.object = above;
    }

    if (FAILED(GetShellContextMenu(shell->folder.object, reinterpret_cast<LPCITEMIDLIST>(id),
                                   &shell->menuObject.object, &shell->version)))
        return 0;
    if (FAILED(shell->menuObject.object->QueryContextMenu(menu, 0, 1, lastShellCommand,
                                                          CMF_EXPLORE))) {
        // Whatever a failed call left behind would show without its handler.
        while (GetMenuItemCount(menu) > 0)
            DeleteMenu(menu, 0, MF_BYPOSITION);
        return 0;
    }
    return 1;
}

int ShowResultMenu(HWND resultList, const char* entry, int x, int y, int extended)
{
    // An item without data has no entry to act on, as for the readers.
    if (!entry)
        return 0;
    OwnedMenu popup;
    if (!popup.menu) {
        ReportLastError(NULL, 0, 0, NULL);
        return 0;
    }
    // The catalogue holds ANSI paths only, so the code page's conversion
    // alone gives the shell the same name.
    WCHAR widePath[MAX_PATH] = {0};
    int converted = MultiByteToWideChar(CP_ACP, 0, entry, -1, widePath, MAX_PATH);

    ShellMenuObjects shell;
    int shellItems = extended && converted && AddShellItems(resultList, popup.menu, widePath, &shell);
    AddResultMenuItems(resultList, popup.menu, entry);

    POINT screen = {x, y};
    ClientToScreen(resultList, &screen);
    int command;
    {
        PublishedShellMenu published(shellItems ? shell.menuObject.object : NULL, shell.version);
        command = (int)TrackPopupMenu(popup.menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen.x,
                                      screen.y, 0, resultList, NULL);
    }

    if (command >= 1 && (UINT)command <= lastShellCommand && shellItems) {
        CMINVOKECOMMANDINFO invoke;
        ZeroMemory(&invoke, sizeof(invoke));
        invoke.cbSize = sizeof(invoke);
        invoke.fMask = 0;
        invoke.hwnd = resultList;
        invoke.lpVerb = MAKEINTRESOURCEA(command - 1);
        invoke.nShow = SW_SHOWNORMAL;
        shell.menuObject.object->InvokeCommand(&invoke);
    } else if ((UINT)command > lastShellCommand) {
        SendMessageA(GetParent(resultList), WM_SYSCOMMAND, (WPARAM)command,
                     MAKELPARAM(screen.x, screen.y));
    }
    return 1;
}

