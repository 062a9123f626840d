#pragma once

// A strip of overlapping tabs in the manner of a web browser. The chosen tab
// lies on top; tabs left of it stack left to right, tabs right of it right to
// left. Touching a tab chooses it and tells the delegate. Tabs can be added
// and removed (removed tab views are kept for reuse).

#include "Classes/Frame/BrowserTabViewDelegate.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class BrowserTab;
class UIImage;

class BrowserTabView : public UIView {
public:
    static constexpr const char* kReuseIdentifier = "UserIndentifier";

    // Made through create: the tabs need the strip as their delegate.
    static std::shared_ptr<BrowserTabView> initWithTabTitlesAndDelegate(
        const std::vector<std::string>& titles, std::weak_ptr<BrowserTabViewDelegate> delegate);

    void setSelectedTabIndexAnimated(int index, bool animated);
    void addTabWithTitle(const std::optional<std::string>& title);
    void removeTabAtIndexAnimated(int index, bool animated);
    std::shared_ptr<BrowserTab> dequeueTabUsingReuseIdentifier(const std::string& identifier);
    void caculateFrame();

    const std::vector<std::shared_ptr<BrowserTab>>& tabsArray() const { return m_tabsArray; }
    const std::vector<CGRect>& tabFramesArray() const { return m_tabFramesArray; }
    const std::vector<std::shared_ptr<BrowserTab>>& reuseQueue() const { return m_reuseQueue; }
    int selectedTabIndex() const { return m_selectedTabIndex; }
    unsigned numberOfTabs() const { return static_cast<unsigned>(m_tabsArray.size()); }
    std::shared_ptr<UIImage> tabViewBackImage;
    std::shared_ptr<BrowserTabViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<BrowserTabViewDelegate> d) { m_delegate = std::move(d); }

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    BrowserTabView();
    std::shared_ptr<BrowserTab> makeTab();

    std::vector<std::shared_ptr<BrowserTab>> m_tabsArray;
    std::vector<CGRect> m_tabFramesArray;
    std::vector<std::shared_ptr<BrowserTab>> m_reuseQueue;
    int m_selectedTabIndex = 0;
    std::weak_ptr<BrowserTabViewDelegate> m_delegate;
};
