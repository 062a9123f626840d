#pragma once

// The file download message: no body, one transfer per file name. Its reply is
// made by the transport (200 downloaded, 404 missing, 999 network error).

#include "Network/Protocol/RequestInterfaceBase.h"

#include <vector>

class DownloadRst : public NetBaseRst {
public:
    int fileId = 0;
    int type = 0;
    int downloadId = 0;
    std::optional<std::string> fileName;
};

class RequestDownload : public RequestInterfaceBase {
public:
    // Takes the next process-wide download id (1, 2, ...), safely from any thread.
    RequestDownload();

    int fileId = 0;
    int downloadId = 0;
    int imgType = -1;
    int progressType = -1;
    std::vector<std::string> fileNameList;

    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};
