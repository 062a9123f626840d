#include "Classes/Library/LibrarySearchCell.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

std::shared_ptr<LibrarySearchCell> LibrarySearchCell::initWithStyleReuseIdentifier(
    UITableViewCellStyle style, const std::string& reuseIdentifier)
{
    auto cell = std::make_shared<LibrarySearchCell>(style, reuseIdentifier);
    cell->setUpViews();
    return cell;
}

LibrarySearchCell::LibrarySearchCell(UITableViewCellStyle style, const std::string& reuseIdentifier)
    : UITableViewCell(style, reuseIdentifier)
{
}

void LibrarySearchCell::setUpViews()
{
    m_coverView = std::make_shared<UIImageView>(CGRectMake(5, 5, 84, 120));
    addSubview(m_coverView);

    m_fileNameContentLabel = std::make_shared<UILabel>(CGRectMake(90, 0, 240, 60));
    m_fileNameContentLabel->setNumberOfLines(0);
    m_fileNameContentLabel->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 14));
    m_fileNameContentLabel->setTextColor(UIColor::colorWithRedGreenBlueAlpha(139 / 255.0, 34 / 255.0, 82 / 255.0, 1));
    m_fileNameContentLabel->setOpaque(true);
    addSubview(m_fileNameContentLabel);

    auto grayLabel = [this](CGRect frame) {
        auto label = std::make_shared<UILabel>(frame);
        label->setTextColor(UIColor::grayColor());
        label->setFont(UIFont::systemFontOfSize(14));
        addSubview(label);
        return label;
    };
    m_infoContentLabel = grayLabel(CGRectMake(90, 65, 150, 20));
    m_dateContentLabel = grayLabel(CGRectMake(90, 85, 150, 20));
    m_durationContentLabel = grayLabel(CGRectMake(90, 105, 150, 20));
    m_durationContentLabel->setHidden(true);
}

void LibrarySearchCell::setDurationVisiable(bool visible)
{
    m_durationVisiable = visible;
    m_durationContentLabel->setHidden(!visible);
}
