#pragma once

class ProductInfoViewDelegate {
public:
    virtual ~ProductInfoViewDelegate() = default;
    virtual void productInfoViewClose() = 0;
};
