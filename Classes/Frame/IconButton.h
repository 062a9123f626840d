#pragma once

// A badge button with an icon at its right end and a caption chosen by a
// type number: 1 add to order, 2 save order, 3 play, 4 view file, 5 and 6
// view presentation. Owners call reloadText from their language hook.

#include "Classes/Frame/BadgeButton.h"

class UIImage;
class UIImageView;

class IconButton : public BadgeButton {
public:
    explicit IconButton(CGRect frame);

    int iconType() const { return m_iconType; }
    void setIconType(int type);
    void reloadText() { setIconType(m_iconType); }
    const std::shared_ptr<UIImage>& iconImage() const { return m_iconImage; }
    void setIconImage(std::shared_ptr<UIImage> image) { m_iconImage = std::move(image); }
    const std::shared_ptr<UIImageView>& iconImageView() const { return m_iconImageView; }

private:
    std::shared_ptr<UIImageView> m_iconImageView;
    int m_iconType = 0;
    std::shared_ptr<UIImage> m_iconImage;
};
