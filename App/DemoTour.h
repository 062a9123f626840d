#pragma once

// A scripted walk through the application for a person to look at without a
// display: each step runs on the main loop once the one before it has settled,
// may leave a PNG of the whole window in the tour folder (its path printed),
// and the application terminates after the last step. Steps are added in
// order; later parts of the system add their own (sign-in, synchronisation,
// the other tabs) where they belong in the walk.

#include <functional>
#include <memory>
#include <string>
#include <vector>

class DemoTour : public std::enable_shared_from_this<DemoTour> {
public:
    explicit DemoTour(std::string folder);

    // `action` runs, then after `settle` seconds (animations, transitions) a
    // picture named `picture` (".png" added) is taken unless the name is empty.
    void addStep(std::string picture, std::function<void()> action, double settle = 0.6);
    // The same for work of unknown length (a sign-in, a synchronisation): the
    // picture is taken once `done` holds (checked every 0.1 s), or after
    // `timeout` seconds at the latest.
    void addStepUntil(std::string picture, std::function<void()> action, std::function<bool()> done, double timeout);
    // Starts the walk on the main loop (call before the loop runs).
    void start();

    const std::vector<std::string>& pictures() const { return m_pictures; }

    // The frame's own steps: the main screen and the settings sheet, in
    // English and in Chinese.
    void addFrameSteps();
    // The customers tab, with the first customer of the list shown in its card.
    void addCustomerSteps();
    // The catalogue tab with its category pane shown, then hidden over the full-width grid.
    void addCatalogSteps();
    // The quote-orders tab with the orders on the device.
    void addQuoteOrderSteps();
    // The inventory tab, and its first product opened in the product detail.
    void addProductSteps();
    // A brochure PDF opened in the reader as the library opens one, then closed.
    void addReaderSteps();
    // The sales library: its tab with the category panel and the file grid,
    // then the collection tab.
    void addLibrarySteps();
    // The viewers: an office document in its preview, then the showroom video playing.
    void addViewerSteps();

private:
    struct Step {
        std::string picture;
        std::function<void()> action;
        double settle;
        std::function<bool()> done;
    };
    void waitFor(size_t index, double left);
    void run(size_t index);
    void takePicture(const std::string& name);

    std::string m_folder;
    std::vector<Step> m_steps;
    std::vector<std::string> m_pictures;
    size_t m_layoutDefects = 0;
    size_t m_contrastDefects = 0;
};
