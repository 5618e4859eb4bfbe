// One small owner per release call. Declared in the order of obtaining, they
// give back in reverse on every way out of a scope, so a function that takes
// several things needs no exit of its own for each failure. None is copied.
#ifndef SORVANE_APP_BASE_OWNERS_H
#define SORVANE_APP_BASE_OWNERS_H

#include <windows.h>

#include "app/base/process_heap.h"

// A kernel handle, closed once; null and INVALID_HANDLE_VALUE hold nothing.
struct OwnedHandle {
    HANDLE handle;

    explicit OwnedHandle(HANDLE owned = NULL) : handle(owned) {}
    ~OwnedHandle() { Close(); }
    int Holds() const { return handle && handle != INVALID_HANDLE_VALUE; }
    void Close()
    {
        if (Holds())
            CloseHandle(handle);
        handle = NULL;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
};

// A window's DC from GetDC, given back with ReleaseDC.
struct OwnedWindowDC {
    HWND window;
    HDC dc;

    explicit OwnedWindowDC(HWND of) : window(of), dc(GetDC(of)) {}
    ~OwnedWindowDC()
    {
        if (dc)
            ReleaseDC(window, dc);
    }
    OwnedWindowDC(const OwnedWindowDC&) = delete;
    OwnedWindowDC& operator=(const OwnedWindowDC&) = delete;
};

// An object selected into a DC; the one it replaced goes back in, so the
// object can be deleted afterwards. A null object selects nothing.
struct SelectedObject {
    HDC dc;
    HGDIOBJ previous;

    SelectedObject(HDC into, HGDIOBJ object)
        : dc(into), previous(into && object ? SelectObject(into, object) : NULL)
    {
    }
    ~SelectedObject()
    {
        if (previous)
            SelectObject(dc, previous);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
};

// An open registry key, closed once.
struct OwnedKey {
    HKEY key;

    OwnedKey() : key(NULL) {}
    ~OwnedKey()
    {
        if (key)
            RegCloseKey(key);
    }
    OwnedKey(const OwnedKey&) = delete;
    OwnedKey& operator=(const OwnedKey&) = delete;
};

// A COM interface pointer, released once.
template <class Interface>
struct OwnedInterface {
    Interface* object;

    OwnedInterface() : object(NULL) {}
    ~OwnedInterface()
    {
        if (object)
            object->Release();
    }
    // For the out parameter of the call that obtains it.
    void** Out() { return reinterpret_cast<void**>(&object); }
    Interface* Detach()
    {
        Interface* kept = object;
        object = NULL;
        return kept;
    }
    OwnedInterface(const OwnedInterface&) = delete;
    OwnedInterface& operator=(const OwnedInterface&) = delete;
};

// A pop-up menu of its own, destroyed once.
struct OwnedMenu {
    HMENU menu;

    OwnedMenu() : menu(CreatePopupMenu()) {}
    ~OwnedMenu()
    {
        if (menu)
            DestroyMenu(menu);
    }
    OwnedMenu(const OwnedMenu&) = delete;
    OwnedMenu& operator=(const OwnedMenu&) = delete;
};

// Text in a zero-filled block of the process heap.
struct OwnedText {
    char* text;

    OwnedText() : text(NULL) {}
    ~OwnedText()
    {
        if (text)
            FreeBlock(text);
    }
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;
};

#endif
