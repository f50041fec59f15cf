#pragma once

class QMenu;

namespace kw {

class frmMain;

// The playlist entries of the main pop-up menu ("导入播放列表...",
// "导出为播放列表...") and the import of a playlist dropped on the window.
void addPlaylistEntries(frmMain& main, QMenu* menu);

}  // namespace kw
