#pragma once

// One row of the library search list: the file's cover, title, info text,
// date and, for videos only, duration.

#include "Platform/UIKit/UITableViewCell.h"

class UIImageView;
class UILabel;

class LibrarySearchCell : public UITableViewCell {
public:
    static std::shared_ptr<LibrarySearchCell> initWithStyleReuseIdentifier(
        UITableViewCellStyle style, const std::string& reuseIdentifier);
    LibrarySearchCell(UITableViewCellStyle style, const std::string& reuseIdentifier);

    // The cover, in place of the base cell's picture.
    const std::shared_ptr<UIImageView>& imageView() const { return m_coverView; }
    const std::shared_ptr<UILabel>& fileNameContentLabel() const { return m_fileNameContentLabel; }
    const std::shared_ptr<UILabel>& infoContentLabel() const { return m_infoContentLabel; }
    const std::shared_ptr<UILabel>& dateContentLabel() const { return m_dateContentLabel; }
    const std::shared_ptr<UILabel>& durationContentLabel() const { return m_durationContentLabel; }
    bool durationVisiable() const { return m_durationVisiable; }
    void setDurationVisiable(bool visible);

private:
    void setUpViews();

    std::shared_ptr<UIImageView> m_coverView;
    std::shared_ptr<UILabel> m_fileNameContentLabel;
    std::shared_ptr<UILabel> m_infoContentLabel;
    std::shared_ptr<UILabel> m_dateContentLabel;
    std::shared_ptr<UILabel> m_durationContentLabel;
    bool m_durationVisiable = false;
};
