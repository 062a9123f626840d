#pragma once

// The master pane's side of the tag list: the products of a chosen tag.

#include <string>
#include <vector>

class TagsLeftDelegate {
public:
    virtual ~TagsLeftDelegate() = default;
    virtual void didSelectDelegateWithTagName(const std::vector<int>& products, const std::string& tagName) = 0;
    virtual void showAllCells() { }
};
