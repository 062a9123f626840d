#pragma once

// The download manager of the sales library: the one place that knows which
// library files are on the device (by id), which are downloading or paused
// (by file name) and how far each download has come. It is the receiver of
// every library download and its progress, keeps its lists, reports each good
// download to the server, and passes replies and progress on to the screens
// that registered with it. A screen registers while it is shown and removes
// itself before it goes; the manager holds it without owning it.
//
// Everything but the creation of the instance runs on the main thread.

#include "Network/Protocol/RequestDownload.h"
#include "Network/Protocol/RequestInterfaceBase.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SaleslibraryModel : public NetworkRecDelegate, public std::enable_shared_from_this<SaleslibraryModel> {
    struct Token { };

public:
    explicit SaleslibraryModel(Token);
    ~SaleslibraryModel() override;
    SaleslibraryModel(const SaleslibraryModel&) = delete;
    SaleslibraryModel& operator=(const SaleslibraryModel&) = delete;

    static std::shared_ptr<SaleslibraryModel> sharedInstance();
    // At log-out: cancels every transfer under way and drops the instance, so
    // the next sharedInstance reads the files of the client then signed in.
    static void freeInstance();

    // Enters the message's names as downloading, takes them off the pause
    // list, becomes the message's receiver and sends it; the download id.
    int sendRequest(const std::shared_ptr<RequestDownload>& request);
    void pauseDownloadFile(const std::optional<std::string>& fileName);
    void cancelDownloadFile(const std::optional<std::string>& fileName);
    void cancelAllUncompleteFiles();

    bool isInDownloadList(const std::optional<std::string>& fileName) const;
    bool isInPauseList(const std::optional<std::string>& fileName) const;
    bool isExists(int fileId) const;
    void removeExistsFiles(int fileId);
    float getDownloadPercentage(const std::optional<std::string>& fileName) const;
    void loadExistsFiles();

    void registerCallBackList(const std::shared_ptr<NetworkRecDelegate>& screen);
    void removeFromCallBackList(const NetworkRecDelegate* screen);

    void downloadFileFinishFileId(const std::string& fileName, int fileId);
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) override;

    const std::vector<std::string>& downloadFileNameArray() const { return m_downloadFileNameArray; }
    void setDownloadFileNameArray(std::vector<std::string> v) { m_downloadFileNameArray = std::move(v); }
    const std::vector<std::string>& pauseFileArray() const { return m_pauseFileArray; }
    void setPauseFileArray(std::vector<std::string> v) { m_pauseFileArray = std::move(v); }
    const std::map<std::string, float>& downloadPercentageDic() const { return m_downloadPercentageDic; }
    void setDownloadPercentageDic(std::map<std::string, float> v) { m_downloadPercentageDic = std::move(v); }
    const std::vector<int>& existsFiles() const { return m_existsFiles; }
    void setExistsFiles(std::vector<int> v) { m_existsFiles = std::move(v); }

private:
    struct CallBack {
        const NetworkRecDelegate* address = nullptr;
        std::weak_ptr<NetworkRecDelegate> screen;
    };
    std::vector<std::shared_ptr<NetworkRecDelegate>> liveCallBacks() const;

    std::vector<std::string> m_downloadFileNameArray;
    std::vector<std::string> m_pauseFileArray;
    std::map<std::string, float> m_downloadPercentageDic;
    std::vector<int> m_existsFiles;
    std::vector<CallBack> m_callBackDelegateArry;
};
