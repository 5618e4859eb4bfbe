#include "ui/placement.h"

#include "ui/presentation_state.h"

void PresentationState::SavePlacement() {}

void PresentationState::UpdateTitle(const char*, const char*) {}

void RestorePlacement(HWND) {}

BOOL CALLBACK CountInstances(HWND, LPARAM)
{
    return TRUE;
}
