#pragma once

// Told by the compare screen after it deleted compare entries, so that open
// product screens drop their compare mark.
class ProductCompareDelegate {
public:
    virtual ~ProductCompareDelegate() = default;
    virtual void changeAddCompareButtonState() = 0;
};
