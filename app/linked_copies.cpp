#include "app/linked_copies.h"

#include <string.h>

#include "app/base/character_boundary.h"
#include "app/base/process_objects.h"
#include "app/main_window.h"
#include "catalogue/search_filter.h"
#include "resources/resource.h"
#include "ui/presentation_state.h"

int awaitingLinkedText;

namespace {

// The search text travels with its NUL: at most 253 characters, 254 bytes.
const unsigned linkedTextLimit = 254;
const unsigned controlTextCapacity = 1000;

}  // namespace

void AnnounceSearchText(HWND window)
{
    // While this copy takes a text in, its own edit is that text: announcing
    // it would bounce it back to the copy it came from.
    if (!presentationState->IsLinked() || awaitingLinkedText != 0)
        return;
    SendMessageA(HWND_BROADCAST, dataReadyMessage, 0, (LPARAM)window);
}

LRESULT OnDataReady(HWND window, LPARAM sender)
{
    // The broadcast reaches its sender as well.
    if ((HWND)sender == window)
        return 0;
    // Asked whatever this copy's link mode: an unlinked copy then stays
    // quiet until it has once taken a text after being linked.
    awaitingLinkedText = 1;
    SendMessageA((HWND)sender, requestDataMessage, 0, (LPARAM)window);
    return 0;
}

void OnRequestData(HWND window, LPARAM requester)
{
    char text[controlTextCapacity];
    ZeroMemory(text, sizeof(text));
    GetDlgItemTextA(window, IDC_SEARCH_BOX, text, linkedTextLimit);
    // The limit counts bytes: in UTF-8 it may fall inside a character,
    // which the other copies would show broken.
    if (GetACP() == CP_UTF8)
        text[CharacterBoundary(text, (unsigned)strlen(text))] = 0;
    COPYDATASTRUCT record;
    ZeroMemory(&record, sizeof(record));
    record.dwData = 0;
    record.cbData = (DWORD)strlen(text) + 1;
    record.lpData = text;
    SendMessageA((HWND)requester, WM_COPYDATA, (WPARAM)window, (LPARAM)&record);
}

LRESULT OnCopyData(HWND window, LPARAM record)
{
    // The record comes from another process: only a text this copy asked for,
    // and never more of it than the record says it holds.
    const COPYDATASTRUCT* data = (const COPYDATASTRUCT*)record;
    if (!presentationState->IsLinked() || awaitingLinkedText != 1)
        return 0;
    if (!data || !data->lpData || data->cbData == 0 || data->cbData > linkedTextLimit)
        return 0;
    char text[linkedTextLimit + 1];
    ZeroMemory(text, sizeof(text));
    const char* received = (const char*)data->lpData;
    for (DWORD i = 0; i < data->cbData && received[i]; i++)
        text[i] = received[i];

    // Setting the text raises EN_CHANGE at once, which filters; the copy is
    // still awaiting then, so that filter does not announce.
    SetDlgItemTextA(window, IDC_SEARCH_BOX, text);
    // Typing here next goes on after the text, as after one's own typing.
    const WPARAM end = (WPARAM)strlen(text);
    SendDlgItemMessageA(window, IDC_SEARCH_BOX, EM_SETSEL, end, (LPARAM)end);
    FilterCatalogue(resultListLimit, searchMode, 0, window, GetDlgItem(window, IDC_RESULT_LIST));
    awaitingLinkedText = 0;
    return 1;
}
