#pragma once
// The Edit menu's desktop shortcut: ORTHOLUX.lnk on the user's desktop, starting the viewer
// from its own folder.

// Writes (or rewrites) the shortcut; failures are raised as AppError for the error box.
void CreateDesktopShortcut();
