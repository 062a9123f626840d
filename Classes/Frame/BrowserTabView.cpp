#include "Classes/Frame/BrowserTabView.h"

#include "Classes/Frame/BrowserTab.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

BrowserTabView::BrowserTabView()
    : UIView(CGRectMake(700, 5, 1024, 44))
{
    setBackgroundColor(UIColor::clearColor());
    tabViewBackImage = UIImage::imageNamed("tab_background.png");
}

std::shared_ptr<BrowserTab> BrowserTabView::makeTab()
{
    return std::make_shared<BrowserTab>(kReuseIdentifier, weakSelf<BrowserTabView>());
}

std::shared_ptr<BrowserTabView> BrowserTabView::initWithTabTitlesAndDelegate(
    const std::vector<std::string>& titles, std::weak_ptr<BrowserTabViewDelegate> delegate)
{
    auto strip = std::shared_ptr<BrowserTabView>(new BrowserTabView());
    for (size_t i = 0; i < titles.size(); ++i) {
        auto tab = strip->makeTab();
        tab->setIndex(static_cast<int>(i));
        tab->textLabel()->setText(titles[i]);
        tab->textLabel()->setFont(UIFont::fontWithNameSize("HelveticaNeue-Bold", 17));
        tab->normalTitleColor = UIColor::darkGrayColor();
        tab->selectedTitleColor = UIColor::darkGrayColor();
        strip->m_tabsArray.push_back(tab);
    }
    strip->caculateFrame();
    strip->m_delegate = std::move(delegate);
    if (!strip->m_tabsArray.empty())
        strip->setSelectedTabIndexAnimated(0, false);
    return strip;
}

void BrowserTabView::caculateFrame()
{
    m_tabFramesArray.clear();
    const CGFloat height = bounds().size.height - 5;
    for (size_t i = 0; i < m_tabsArray.size(); ++i)
        m_tabFramesArray.push_back(CGRectMake(139 * static_cast<CGFloat>(i), 0, 167, height));
}

void BrowserTabView::drawRect(CGRect)
{
    if (tabViewBackImage)
        tabViewBackImage->drawInRect(CGRectMake(0, 0, bounds().size.width, bounds().size.height - 5));
}

void BrowserTabView::setSelectedTabIndexAnimated(int index, bool animated)
{
    auto keep = protect<BrowserTabView>();
    m_selectedTabIndex = index;
    if (auto d = delegate())
        d->BrowserTabViewDidSelecedAtIndex(*this, static_cast<unsigned>(index));
    const int count = static_cast<int>(m_tabsArray.size());
    auto place = [&] {
        for (int i = 0; i < index && i < count; ++i) {
            auto& tab = m_tabsArray[static_cast<size_t>(i)];
            tab->setFrame(m_tabFramesArray[static_cast<size_t>(i)]);
            tab->setDelegate(weakSelf<BrowserTabView>());
            tab->setSelected(false);
            addSubview(tab);
        }
        for (int i = count - 1; i >= index && i >= 0; --i) {
            auto& tab = m_tabsArray[static_cast<size_t>(i)];
            tab->setSelected(i == index);
            tab->setFrame(m_tabFramesArray[static_cast<size_t>(i)]);
            addSubview(tab);
        }
    };
    if (animated)
        UIView::animateWithDuration(0.3, place, nullptr);
    else
        place();
}

std::shared_ptr<BrowserTab> BrowserTabView::dequeueTabUsingReuseIdentifier(const std::string& identifier)
{
    for (auto it = m_reuseQueue.begin(); it != m_reuseQueue.end(); ++it) {
        if ((*it)->reuseIdentifier() == identifier) {
            auto tab = *it;
            m_reuseQueue.erase(it);
            tab->prepareForReuse();
            return tab;
        }
    }
    return nullptr;
}

void BrowserTabView::addTabWithTitle(const std::optional<std::string>& title)
{
    if (static_cast<CGFloat>(m_tabsArray.size()) * 154 > bounds().size.width)
        return;
    auto tab = dequeueTabUsingReuseIdentifier(kReuseIdentifier);
    if (tab)
        tab->setDelegate(weakSelf<BrowserTabView>());
    else
        tab = makeTab();
    tab->textLabel()->setText(title.value_or("new Tab"));
    m_tabsArray.push_back(tab);
    for (size_t i = 0; i < m_tabsArray.size(); ++i) {
        m_tabsArray[i]->setIndex(static_cast<int>(i));
        m_tabsArray[i]->setSelected(false);
    }
    caculateFrame();
    tab->setFrame(m_tabFramesArray.back());
    tab->setSelected(true);
    setSelectedTabIndexAnimated(tab->index(), false);
}

void BrowserTabView::removeTabAtIndexAnimated(int index, bool animated)
{
    const int count = static_cast<int>(m_tabsArray.size());
    if (index < 0 || index >= count || count == 1)
        return;
    auto keep = protect<BrowserTabView>();
    auto tab = m_tabsArray[static_cast<size_t>(index)];
    m_reuseQueue.push_back(tab);
    m_tabsArray.erase(m_tabsArray.begin() + index);
    tab->removeFromSuperview();
    for (size_t i = 0; i < m_tabsArray.size(); ++i)
        m_tabsArray[i]->setIndex(static_cast<int>(i));
    const int chosen = index == count - 1 ? index - 1 : index;
    caculateFrame();
    setSelectedTabIndexAnimated(chosen, animated);
    if (auto d = delegate())
        d->BrowserTabViewDidRemoveTabAtIndex(*this, static_cast<unsigned>(index));
}
