#pragma once

#include <memory>

struct corvelle_library_files_Entity;

// What a library file cell tells the screen that owns it. The delete button
// and the long press are optional: a delegate that does not answer them says
// so, and the cell then sends nothing.
class LibraryDetailCellDelegate {
public:
    virtual ~LibraryDetailCellDelegate() = default;
    virtual void didSelectedInfoButton(const std::shared_ptr<corvelle_library_files_Entity>& file) = 0;
    virtual void didSelectedCellCellIndex(const std::shared_ptr<corvelle_library_files_Entity>& file, long cellIndex)
        = 0;
    virtual bool respondsToDidSelectedDeleteButton() const { return false; }
    virtual void didSelectedDeleteButton(const std::shared_ptr<corvelle_library_files_Entity>&) { }
    virtual bool respondsToDidCellLongPressed() const { return false; }
    virtual void didCellLongPressed() { }
};
