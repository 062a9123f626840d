#pragma once

// The body table of the multi-column table; a table of its own class so the
// two inner tables are told apart at a glance.

#include "Platform/UIKit/UITableView.h"

class MultiColumnTableViewContentBackgroundView : public UITableView {
public:
    using UITableView::UITableView;
};
