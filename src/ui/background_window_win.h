#pragma once
// The background window behind the pages: a borderless window over the desktop's work area with
// the product's gradient, picture, title and copyright line. It owns the pages and message
// boxes (InstallerState::backgroundWindow) and gives the process its taskbar button.
#include <windows.h>

#include "ui/background_layout.h"
#include "ui/background_picture.h"

namespace qs {

// Registers the window class once, creates the window with `settings` and shows it (minimised
// with `startMinimised`, maximised with the full-screen flag); remembers it in
// InstallerState::backgroundWindow. A window that cannot be made is a fatal error.
HWND OpenBackgroundWindow(const BackgroundSettings& settings, bool startMinimised);

// Paints the open window again with new settings.
void UpdateBackgroundWindow(const BackgroundSettings& settings);

// Minimises, destroys and forgets the window; nothing without one.
void CloseBackgroundWindow();

// What the window draws, into any device context: the background (colours, then the picture)
// and the two text lines over it.
void EraseBackground(HDC dc, const RECT& client, const BackgroundSettings& settings,
                     const BackgroundPicture& picture);
void PaintBackgroundTexts(HDC dc, const RECT& client, const BackgroundSettings& settings);

// The gradient as drawn where the system's gradient fill is missing or fails.
void FillGradientInBands(HDC dc, const RECT& client, uint32_t top, uint32_t bottom);

}  // namespace qs
