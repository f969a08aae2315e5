// How the program names itself to the desktop.
#pragma once

// Sets, before the first window is created: the organisation and application
// names (the settings folders, and the class "KORApc" of every window's
// WM_CLASS on X11), the desktop file name "korapc" (packaging/korapc.desktop,
// through which task bars and switchers show the program's name and icon; the
// app_id on Wayland) and the window icon. No application display name is set:
// Qt would append it to the title bar of every window whose caption differs
// from it, and the captions are fixed texts.
void SetProgramIdentity();
