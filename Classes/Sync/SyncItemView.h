#pragma once

// A white panel with a skinned title bar: the frame of the synchronisation
// screen's panel.

#include "Platform/UIKit/UIView.h"

#include <memory>
#include <optional>
#include <string>

class UIImageView;
class UILabel;

class SyncItemView : public UIView {
public:
    explicit SyncItemView(CGRect frame);

    std::string title() const;
    void setTitle(const std::optional<std::string>& title);
    std::shared_ptr<UILabel> lblTitle() const { return m_lblTitle; }

protected:
    // Builds the panel; subclasses add their content after calling this.
    virtual void initializationView(CGRect frame);

    std::shared_ptr<UILabel> m_lblTitle;
    std::shared_ptr<UIImageView> m_imatitle;
};
