#pragma once

// The row of the category table and of the tag list: a title of up to two
// lines, the product count at the right, an arrow for rows with children and
// a thin line under the row. The first row of the category table is the ALL
// row, written in bold.

#include "Platform/UIKit/UITableViewCell.h"

class UIImageView;
class UILabel;

class ProductBigCatalog : public UITableViewCell {
public:
    ProductBigCatalog(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);

    const std::shared_ptr<UILabel>& lbTitle() const { return m_lbTitle; }
    const std::shared_ptr<UILabel>& lbcount() const { return m_lbcount; }
    const std::shared_ptr<UIImageView>& imgicon() const { return m_imgicon; }
    const std::shared_ptr<UIImageView>& imgline() const { return m_imgline; }

    bool isFirstLine() const { return m_isFirstLine; }
    // YES writes the text of "ALL" in bold 16 into the title and count; NO only stores the flag.
    void setIsFirstLine(bool first);

private:
    std::shared_ptr<UILabel> m_lbTitle;
    std::shared_ptr<UILabel> m_lbcount;
    std::shared_ptr<UIImageView> m_imgicon;
    std::shared_ptr<UIImageView> m_imgline;
    bool m_isFirstLine = false;
};
