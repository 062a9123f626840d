#include "Classes/Library/LibraryCoverFilling.h"

#include "Classes/Frame/Language.h"
#include "Classes/Library/LibraryDetailCell.h"
#include "Classes/Library/LibraryText.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Network/Protocol/RequestInfoBase.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIProgressView.h"

#include <string>

namespace LibraryCoverFilling {

std::shared_ptr<LibraryDetailCell> coverCell(GridView& grid)
{
    if (auto cell = std::dynamic_pointer_cast<LibraryDetailCell>(
            grid.dequeueReusableCellWithIdentifier(LibraryDetailCell::kCellIdentifier)))
        return cell;
    return LibraryDetailCell::initWithFrameReuseIdentifier(
        CGRectMake(0, 0, 180, 240), LibraryDetailCell::kCellIdentifier);
}

void showFile(LibraryDetailCell& cell, const FileRef& file, bool updatable, bool onDisk)
{
    CGFloat titleWidth = 105;
    if (updatable) {
        cell.backGroundImageView()->setImage(UIImage::imageNamed("book_i"));
        cell.setRibbon(2);
        cell.infoButton()->setHidden(false);
    } else if (onDisk) {
        cell.backGroundImageView()->setImage(UIImage::imageNamed("book_i"));
        cell.setRibbon(file->isNew ? 1 : 0);
        cell.infoButton()->setHidden(false);
    } else {
        cell.backGroundImageView()->setImage(UIImage::imageNamed("book"));
        cell.setRibbon(file->isNew ? 1 : 0);
        cell.infoButton()->setHidden(true);
        titleWidth = 140;
    }
    cell.titleLabel()->setFrame(CGRectMake(20, 170, titleWidth, 40));
    cell.loadFileImageAsyncWithNameTypeAnimation(file->cover_image, LibraryText::typeCodeOf(file->type), false);
    cell.formatLabel()->setText(LibraryText::formatOf(*file));
    cell.titleLabel()->setText(file->title.value_or(std::string()));
    cell.setFile(file);
}

void showTransfer(
    LibraryDetailCell& cell, SaleslibraryModel& manager, const corvelle_library_files_Entity& file, bool downloading)
{
    const bool paused = !downloading && manager.isInPauseList(file.file_name);
    cell.progressView()->setHidden(!downloading && !paused);
    cell.pauseView()->setHidden(!downloading && !paused);
    if (!downloading && !paused)
        return;
    cell.progressView()->setProgress(manager.getDownloadPercentage(file.file_name));
    cell.pauseView()->setImage(UIImage::imageNamed(downloading ? "book_download" : "book_paused"));
    cell.downloadingLabel()->setText(text(downloading ? "DOWNLOADING" : "PAUSED"));
}

void showPercent(GridView& grid, const std::vector<FileRef>& shown, const DownLoadRequestInfo& info)
{
    if (!info.fileName)
        return;
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i]->file_name != info.fileName)
            continue;
        if (auto cell = std::dynamic_pointer_cast<LibraryDetailCell>(grid.cellForItemAtIndex(i)))
            cell->progressView()->setProgress(info.downloadPercent);
    }
}

}  // namespace LibraryCoverFilling
