#include "ui/system_menu.h"

#include "ui/presentation_state.h"

void PresentationState::AddSystemMenuItems(int contextMode, int linkState)
{
    contextMenuMode = contextMode;
    linkMode = linkState;
}

void PresentationState::SetContextMenuMode(int mode)
{
    contextMenuMode = mode;
}

void PresentationState::ToggleContextMenuMode() {}

int PresentationState::IsExtendedContextMenu() const
{
    return contextMenuMode == 1 ? 0 : 1;
}

void PresentationState::SetLinkMode(int mode)
{
    linkMode = mode;
}

void PresentationState::ToggleLinkMode() {}

int PresentationState::IsLinked() const
{
    return linkMode == 1;
}

void PresentationState::ShowIconMenu(WPARAM, LPARAM) {}

BOOL IsOnIcon(HWND, LPARAM)
{
    return FALSE;
}

void ShowAboutBox(HWND) {}
