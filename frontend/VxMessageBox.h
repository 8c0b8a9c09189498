// Modal message boxes of the player, shown as toolkit message boxes with no
// parent. Installed by the program at start; tests install their own handler
// (DiagSetMessageBoxHandler) that records and answers the box instead.
#pragma once

// Message-box style words the player passes to DiagMessageBox.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdCancel = 2;

// Shows the box and returns the button pressed (kDiagIdOk, kIdCancel). Off
// the window thread the box is shown later and counts as answered with OK.
int VxShowMessageBox(unsigned style, const char* caption, const char* text);

void VxInstallMessageBoxHandler();
