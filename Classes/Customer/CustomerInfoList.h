#pragma once

// A group of the customer list that is also a table section which collapses
// and expands. While collapsed it keeps the index paths of the rows it took
// out of the table, to put them back on expansion.

#include "Classes/Customer/GroupList.h"
#include "Platform/Foundation/NSIndexPath.h"

#include <vector>

class CustomerInfoList : public GroupList {
public:
    bool opened = false;
    std::vector<NSIndexPath> indexPaths;
};
