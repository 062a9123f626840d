#pragma once

// The synchronisation engine: brings the signed-in client's database and
// folders up to date with the company's server. A run signs in first when the
// session is not online, has the session fetch the user information and the
// runtime configuration, then walks the groups the module switches allow:
// product tables, library file tables, the missing product images, icons and
// library covers (one batch download each, 0.1 s apart), customer tables, and
// the finish reports "product", "file" and "customer". Each step starts from
// the reply (or the progress report) that ends the step before it, always on
// the main thread; only the thumbnails are made on a worker, which the model
// stops and waits for when it ends (log-out, the end of the process), so no
// thumbnail is written for a client who has gone.
//
// Its screen hears of the run through `SyncModelDelegate`; the other screens
// through the reload flags of `ConfigManager`. A group's "synced" mark, which
// makes the next run ask for changes only, is set only when every save of the
// group succeeded; a failed save makes the next run ask for full tables again.
// A table reply or finish report the server does not answer with "200" breaks
// the run, and nothing is marked or stamped for it.

#include "Network/Protocol/RequestInterfaceBase.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/Value.h"

#include <functional>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class BackgroundTask;
class SyncAllTableRst;
class SyncFileTableRst;
class SyncCustomerTableRst;
class SyncIconTableRst;
struct corvelle_image_Entity;
struct corvelle_library_files_Entity;

class SyncModelDelegate {
public:
    virtual ~SyncModelDelegate() = default;
    virtual void startSyncData() { }
    virtual void breakSync(const std::string& message) { }
    virtual void downloadimageFinished(int imageType) { }
    virtual void finishedSync() { }
    virtual void setProgressImageTypeRemainTime(float progress, int imageType, int remainSeconds) { }
    virtual void getCustomerFinished() { }
};

// The product pictures a run makes thumbnails of: their folder once, and each
// picture's and its thumbnail's names side by side in one buffer. Full paths
// of a large catalogue's pictures would hold tens of megabytes while the
// thumbnails are made.
class ThumbnailPaths {
public:
    explicit ThumbnailPaths(std::string folder = std::string());
    void add(std::string_view full, std::string_view thumb);
    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

    // Walks the (full picture, thumbnail) paths in the order they were added.
    class const_iterator {
    public:
        std::pair<std::string, std::string> operator*() const;
        const_iterator& operator++();
        bool operator==(const const_iterator& other) const { return m_at == other.m_at; }

    private:
        friend class ThumbnailPaths;
        const_iterator(const ThumbnailPaths* list, size_t at)
            : m_list(list)
            , m_at(at)
        {
        }
        const ThumbnailPaths* m_list;
        size_t m_at;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, m_names.size()); }

private:
    std::string m_folder;
    // "<full>\0<thumb>\0" for each picture.
    std::string m_names;
    size_t m_count = 0;
};

class SyncModel : public NetworkRecDelegate, public std::enable_shared_from_this<SyncModel> {
public:
    // Image kinds of the run.
    static constexpr int kProductImages = 1;
    static constexpr int kIcons = 3;
    static constexpr int kLibraryCovers = 4;

    static std::shared_ptr<SyncModel> sharedInstance();
    static void freeInstance();

    SyncModel();
    ~SyncModel() override;

    void createAllDirectorys();
    void startSync();
    void startSyncData();
    void loadByConfig();
    void breakSync(const std::string& message);
    void resetDownloadProgress();
    // "true" or "false": whether a table command asks for the full table.
    std::string needSyncAll(const std::optional<std::string>& suffix) const;

    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    bool setProgress(float progress) override;

    // Steps of a run.
    void requestSync();
    void requestLogin();
    void getProgressProduct();
    void getProgressFile();
    void getCustomerSync();
    void getProgressCustomer();
    void syncFinishedtype(const std::string& tableType);
    void addAllImageLists();
    void startDownloadProductImage(int imageType);
    void continueDownloadImages();
    void retryDownloadImageImageType(const std::optional<std::string>& fileName, int imageType);
    void downloadimageFaildImageType(const std::optional<std::string>& fileName, int imageType);
    void downloadimageFinished(int imageType);
    void getCustomerFinished();
    void progressRespondImageTypeRemainTime(float progress, int imageType, int remainSeconds);
    void finishedSync();
    // The paths of the published product images and their thumbnails, resolved on the main thread.
    static ThumbnailPaths thumbnailPaths(const ValueArray& images);
    // Stops before the next thumbnail once `stop` says so.
    static void createImgThumb(const ThumbnailPaths& paths, const std::function<bool()>& stop = nullptr);
    void deleteImgThumb(const std::vector<corvelle_image_Entity>& images);
    void deleteCoverImages(const std::vector<corvelle_library_files_Entity>& files);
    void netUnconnect();
    void getAllSyncTablesRespond(const std::shared_ptr<SyncAllTableRst>& reply);
    void getIconSyncTablesRespond(const std::shared_ptr<SyncIconTableRst>& reply);
    void getFilesSyncTablesRespond(const std::shared_ptr<SyncFileTableRst>& reply);
    void getCustomerSyncRespond(const std::shared_ptr<SyncCustomerTableRst>& reply);
    void syncFinishedProductRespond(const std::shared_ptr<NetBaseRst>& reply);
    void downloadFileRespond(const std::shared_ptr<NetBaseRst>& reply);

    // The remaining seconds of the image phase from the elapsed time and the
    // per-kind progress and list lengths; 0 while nothing measurable is done.
    static int remainingSeconds(double elapsed, float productProgress, size_t productLeft, float iconProgress,
        size_t iconLeft, float libProgress, size_t libLeft);

    std::vector<std::string>& downloadRemotingPImgList() { return m_downloadRemotingPImgList; }
    std::vector<std::string>& downloadRemotingPImgListIcon() { return m_downloadRemotingPImgListIcon; }
    std::vector<std::string>& downloadRemotingPImgListLibimg() { return m_downloadRemotingPImgListLibimg; }
    int imageType() const { return m_imageType; }
    void setImageType(int v) { m_imageType = v; }
    bool isDownloading() const { return m_isDownloading; }
    void setIsDownloading(bool v) { m_isDownloading = v; }
    bool needUpdate() const { return m_needUpdate; }
    void setNeedUpdate(bool v) { m_needUpdate = v; }
    bool showUpdate() const { return m_showUpdate; }
    void setShowUpdate(bool v) { m_showUpdate = v; }
    std::weak_ptr<SyncModelDelegate> delegate() const { return m_delegate; }
    void setDelegate(std::weak_ptr<SyncModelDelegate> d) { m_delegate = std::move(d); }
    const std::optional<Date>& lastTime() const { return m_lastTime; }
    void setLastTime(std::optional<Date> v) { m_lastTime = v; }
    std::vector<int>& needUpdateProductIDs() { return m_needUpdateProductIDs; }
    bool isSyncAllData() const { return m_isSyncAllData; }
    void setIsSyncAllData(bool v) { m_isSyncAllData = v; }
    int productImgCount() const { return m_productImgCount; }
    int iconImgCount() const { return m_iconImgCount; }
    int libImgCount() const { return m_libImgCount; }
    // The thumbnail runs started and not yet known to have ended.
    const std::vector<std::shared_ptr<BackgroundTask>>& thumbnailTasks() const { return m_thumbnailTasks; }

private:
    class ProductBatches;
    // Saves the records `reply` holds, in the order the tables depend on one
    // another: with `whole` every table, otherwise only the product records,
    // which may come in batches. Clears `saved` when a save fails, and adds
    // the names of the pictures whose records changed to `changedImages`.
    void storeProductRecords(SyncAllTableRst& reply, bool whole, bool& saved, std::string& changedImages);
    void deleteChangedImages(const std::string& changedImages);
    std::vector<std::string>* listFor(int imageType);
    int wantedCountFor(int imageType) const;
    void endImagePhase();
    int send(const std::shared_ptr<RequestInterfaceBase>& request);
    void setFlag(const std::string& key);
    void markSynced(const std::string& suffix);

    std::vector<std::string> m_downloadRemotingPImgList;
    std::vector<std::string> m_downloadRemotingPImgListIcon;
    std::vector<std::string> m_downloadRemotingPImgListLibimg;
    std::vector<std::string> m_retryImageArry;
    int m_productImgCount = 0;
    int m_iconImgCount = 0;
    int m_libImgCount = 0;
    int m_imageType = 0;
    bool m_isCatalogOnshow = false;
    bool m_isCustomerOnShow = false;
    bool m_isSalesLibraryOnShow = false;
    bool m_isDownloading = false;
    std::weak_ptr<SyncModelDelegate> m_delegate;
    float m_productProgress = 0;
    float m_iconProgress = 0;
    float m_libProgress = 0;
    float m_existFilesRat = 0;
    std::optional<Date> m_lastTime;
    // One run of thumbnails at a time, so two runs never write one file together.
    dispatch_queue_t m_thumbnailQueue;
    std::vector<std::shared_ptr<BackgroundTask>> m_thumbnailTasks;
    int m_needWork = 0;
    bool m_needUpdate = false;
    bool m_showUpdate = false;
    std::vector<int> m_needUpdateProductIDs;
    bool m_isSyncAllData = false;
    // Whether every save of the library file group succeeded in this run; the
    // group's mark waits for its finish report.
    bool m_fileSavesOk = true;
    bool m_customerSavesOk = true;
    std::shared_ptr<ProductBatches> m_productBatches;
};
