#pragma once

// How a library file's cover cell shows the file and its transfer. The
// library grid and a product's related documents fill the same cell the same
// way; only which files count as updatable or downloading differs.

#include "Classes/Frame/GridView.h"

#include <memory>
#include <vector>

class LibraryDetailCell;
class SaleslibraryModel;
class DownLoadRequestInfo;
struct corvelle_library_files_Entity;

namespace LibraryCoverFilling {

using FileRef = std::shared_ptr<corvelle_library_files_Entity>;

// A cover cell from the grid's reuse queue, or a new one.
std::shared_ptr<LibraryDetailCell> coverCell(GridView& grid);
// The cover, ribbon, info button, title and format of `file`; `updatable`
// marks a pending update on the device, `onDisk` a downloaded file.
void showFile(LibraryDetailCell& cell, const FileRef& file, bool updatable, bool onDisk);
// The progress bar and the "DOWNLOADING" / "PAUSED" veil, with the stored
// progress so a reused cell never shows another file's.
void showTransfer(
    LibraryDetailCell& cell, SaleslibraryModel& manager, const corvelle_library_files_Entity& file, bool downloading);
// Moves the progress bar of every shown cover of the reported file.
void showPercent(GridView& grid, const std::vector<FileRef>& shown, const DownLoadRequestInfo& info);

}  // namespace LibraryCoverFilling
