#pragma once

// Told which row of the catalogue's pop-up list was chosen. Optional: the
// default does nothing, as for an owner that does not listen.
class CatalogPopControllerDelegate {
public:
    virtual ~CatalogPopControllerDelegate() = default;
    virtual void selectIndex(long row) { (void)row; }
};
