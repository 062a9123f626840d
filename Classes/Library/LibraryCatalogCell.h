#pragma once

// One row of the library's category panel: the category's name, the number
// of shown files under it, an arrow when it has sub-categories with files,
// and a separator line. The first row of each level reads "ALL".

#include "Platform/UIKit/UITableViewCell.h"

class UIImageView;
class UILabel;

class LibraryCatalogCell : public UITableViewCell {
public:
    static std::shared_ptr<LibraryCatalogCell> initWithStyleReuseIdentifier(
        UITableViewCellStyle style, const std::string& reuseIdentifier);
    LibraryCatalogCell(UITableViewCellStyle style, const std::string& reuseIdentifier);

    const std::shared_ptr<UILabel>& lbTitle() const { return m_lbTitle; }
    const std::shared_ptr<UILabel>& lbcount() const { return m_lbcount; }
    const std::shared_ptr<UIImageView>& imgline() const { return m_imgline; }
    const std::shared_ptr<UIImageView>& imgicon() const { return m_imgicon; }
    bool isFirstLine() const { return m_isFirstLine; }
    void setIsFirstLine(bool first);

private:
    void setUpViews();

    std::shared_ptr<UILabel> m_lbTitle;
    std::shared_ptr<UILabel> m_lbcount;
    std::shared_ptr<UIImageView> m_imgline;
    std::shared_ptr<UIImageView> m_imgicon;
    bool m_isFirstLine = false;
};
