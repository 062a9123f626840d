#pragma once

class BrowserTabView;

// Told of the strip's choices; every member is optional.
class BrowserTabViewDelegate {
public:
    virtual ~BrowserTabViewDelegate() = default;
    virtual void BrowserTabViewDidSelecedAtIndex(BrowserTabView&, unsigned index) { }
    virtual void BrowserTabViewWillRemoveTabAtIndex(BrowserTabView&, unsigned index) { }
    virtual void BrowserTabViewDidRemoveTabAtIndex(BrowserTabView&, unsigned index) { }
    virtual void BrowserTabViewExchangeTabAtIndexWithTabAtIndex(BrowserTabView&, unsigned from, unsigned to) { }
};
