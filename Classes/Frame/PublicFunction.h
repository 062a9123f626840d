#pragma once

// Class-level helpers used everywhere. Grouped by what they are about:
//   - client folders, file types, server settings and server URLs;
//   - number, price, discount-rate and date formatting;
//   - MD5 and small text helpers;
//   - device facts and diagnostics.
// The interface helpers (buttons, images, alerts, animation) join this class
// in their own section. The members about files, servers, numbers, dates and
// digests forward to plain functions of the lower layers (ClientFiles,
// ServerSettings, Formats, ImageThumbnail), which the data layer and the
// protocol call without the interface kit.

#include "Database/ClientFiles.h"
#include "Database/Formats.h"
#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIGeometry.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class ServerInfo;
class UIActivityIndicatorView;
class UIAlertView;
class UIButton;
class UIColor;
class UIImage;
class UIImageView;
class UILabel;
class UIView;

class PublicFunction {
public:
    // ---- Client folders, file types, server settings and URLs ----

    // File-type codes: the same code names the local folder and the server path.
    enum FileType {
        FileTypeProductImage = ClientFiles::FileTypeProductImage,
        FileTypeCatalogImage = ClientFiles::FileTypeCatalogImage,
        FileTypeConfigImage = ClientFiles::FileTypeConfigImage,
        FileTypeLibraryCover = ClientFiles::FileTypeLibraryCover,
        FileTypePdf = ClientFiles::FileTypePdf,
        FileTypeVideo = ClientFiles::FileTypeVideo,
        FileTypeExcel = ClientFiles::FileTypeExcel,
        FileTypeWord = ClientFiles::FileTypeWord,
        FileTypeKeynote = ClientFiles::FileTypeKeynote,
    };

    // <home>/Documents/<client id in lower case>; empty when the id may not
    // name a folder (ClientFolder::isValidClientID).
    static std::string clientFolderPath();

    // Client folder / folder of the code / name; outside 1 to 9 the name sits
    // in the client folder. Empty without a client folder.
    static std::string filePathWithNameFiletype(std::string_view name, int fileType);
    // "PDF" 5, "VEDIO" 6, "EXCEL" 7, "WORD" 8, anything else 9 (case-sensitive).
    static int getFileType(std::string_view type);
    // The local folder and server folder of a code; empty outside 1 to 9.
    static std::string localFolderForFileType(int fileType);
    static std::string serverFolderForFileType(int fileType);
    // The bundle image to show when the local image of a code is missing.
    static std::string defaultImageNameForFileType(int fileType);
    // The local image of a name; documents (5 to 9) show their cover from the
    // cover folder. Falls back to the code's bundle image.
    static std::shared_ptr<UIImage> getLocalImageFiletype(std::string_view name, int fileType);
    // Its two halves, for a read off the main thread: the file is named on the
    // main thread (the path is the session's client's), then read anywhere.
    static std::string localImagePathFiletype(std::string_view name, int fileType);
    static std::shared_ptr<UIImage> localImageAtPathFiletype(const std::string& path, int fileType);
    // Creates <home>/Documents/<name> with its parents unless something is
    // there; a name with a component that is no valid client id ("..",
    // "", "a\b") makes nothing.
    static void createDirectoryifNeed(std::string_view name);

    // The process-wide server settings, refreshed from the user defaults;
    // missing settings take their defaults (and are written back).
    static std::shared_ptr<ServerInfo> GetServer();
    // Writes the six default settings into the user defaults.
    static void resetUserSetting();
    static const char* defaultServerHost();

    // http://<image server>/images/<client id>/<server folder>/<name>,
    // percent-escaped; nothing for an absent name.
    static std::optional<std::string> fileURLWithNameFiletype(const std::optional<std::string>& name, int fileType);
    static std::string editUserUrl();
    static std::string forgetPassWordUrl();
    static void clearUserDefault();
    static void changeAllClientFolderToLower();
    static void moveAllClientFolderToDocuments();
    static void removeAllSkinImageFolders();
    // YES when the file exists, is not empty and is at most the device's cap.
    static bool safeSizeOfPath(std::string_view path);
    static int64_t getMaxSizeForDevice();
    // The first characters of the hardware model name ("hw.machine").
    static std::string hardwareModel();

    static void SkipBackup();
    static bool addSkipBackupAttributeToItemAtURL(std::string_view fileURLPath);
    static std::string applicationDocumentsPathURL();
    static std::string applicationLibraryPathURL();

    // ---- Numbers, prices, discount rates ----

    // "CNY" gives "¥", "USD" gives "$", anything else (and nothing) "".
    static std::string flagWithCurrency(const std::optional<std::string>& currency);
    // "0" for 0 or less, else the digits grouped by ",".
    static std::string intFormate(long value);
    // "0.00" for 0 or less (or not a number), else two decimals grouped by ",".
    static std::string doubleFormate(double value);
    static std::string priceWithCommaSeparatorAndCurrencyFlag(double value, std::string_view flag);
    // Both return the rate unchanged; every discount rate passes through them.
    static double absoluteDiscountRatFromShown(double rate) { return Formats::absoluteDiscountRatFromShown(rate); }
    static double shownDiscountRatFromAbsolute(double rate) { return Formats::shownDiscountRatFromAbsolute(rate); }

    // ---- Dates (device time zone) ----

    // Now as "MM/dd/yyyy HH:mm:ss".
    static std::string currentTime();
    static double currentTimeInterval();
    // "yy/MM/dd" in Chinese, "MM/dd/yy" otherwise.
    static std::string getFormateString();
    // "yyyy-MM-dd HH:mm:ss" rewritten with getFormateString; "" for nothing.
    static std::string formatDate(const std::optional<std::string>& text);
    // "MM/dd/yyyy HH:mm:ss" rewritten as "yyyy-MM-dd HH:mm:ss"; "" for nothing.
    static std::string changeToServerFormatFromLocal(const std::optional<std::string>& text);
    // The interface language code: 2 is Chinese.
    static long currentLanguage();

    // ---- Text ----

    // MD5 of the UTF-8 bytes as 32 upper-case hexadecimal digits.
    static std::string encryptMD5(std::string_view text);
    static std::optional<std::string> stringRemoveTagStrTag(
        const std::optional<std::string>& text, const std::optional<std::string>& tag);
    static bool isContainChinese(const std::optional<std::string>& text);
    static std::optional<std::string> getPreferredLanguage();

    // ---- Device facts and diagnostics ----

    static float getDeviceVersion();
    static std::string getSharedUDID();
    // MD5 of the "en0" hardware address digits with a fixed salt; nothing when unreadable.
    static std::optional<std::string> getMacAddress();
    static void showCurrentMemory();
    // Appends one entry to the session's log file in Documents.
    static void LOGFunctionLineNumberFormat(
        std::string_view file, std::string_view function, int line, std::string_view message);

    // ---- Interface: buttons, images, labels, alerts, animation ----

    // The standard skinned buttons: white bold 15-point title, centred, clear
    // background, the stretched skin image behind it.
    static void initializeToButtonHeight30(const std::shared_ptr<UIButton>& button);
    static void initializeToButtonHeight34(const std::shared_ptr<UIButton>& button);
    static void initializeToBackButtonHeight34(const std::shared_ptr<UIButton>& button);
    static void initializeToForwardButtonHeight34(const std::shared_ptr<UIButton>& button);

    static std::shared_ptr<UIImage> resizeImageWithCapInsets(
        const std::shared_ptr<UIImage>& image, UIEdgeInsets insets);
    static bool isRetinaDisplay();
    // The image itself when it fits the size (doubled on a retina screen),
    // else redrawn smaller by one factor so that it fits.
    static std::shared_ptr<UIImage> scaleImageToFitSize(const std::shared_ptr<UIImage>& image, CGSize size);
    static bool imageIsNeedToScaleToFitSize(const std::shared_ptr<UIImage>& image, CGSize size) { return true; }
    // Replaces the view's subviews by an image view holding the image, shrunk
    // to fit (never enlarged) and centred.
    static void ImageViewSetImgImg(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIImage>& image);
    // Sets the image: centred when smaller than the view both ways, else aspect-fit.
    static void ImageViewFitImgImg(
        const std::shared_ptr<UIImageView>& imageView, const std::shared_ptr<UIImage>& image);
    // A thumbnail of at most 160 x 110 beside a product image, made once.
    static void createImgThumbWithImgNameThumbNameFiletype(
        const std::optional<std::string>& imageName, const std::optional<std::string>& thumbName, int fileType);
    // The same from full paths: reads no session state, so a worker thread may call it.
    static void createImgThumbAtPathThumbPath(const std::string& imagePath, const std::string& thumbPath);
    // The colour of the skin's "topbar-bg.png" drawn into one pixel; dark grey without it.
    static std::shared_ptr<UIColor> colorOfMainTheme();

    // A strike-through over an old price, and its removal (every subview of the label).
    static void addDeletionLineToLabel(const std::shared_ptr<UILabel>& label);
    static void removeDeletionLineFromLabel(const std::shared_ptr<UILabel>& label);
    // A spinner over a view whose touches are off while it turns.
    static void showDialIndicatorView(
        const std::shared_ptr<UIView>& view, const std::shared_ptr<UIActivityIndicatorView>& indicator);
    static void hideDialIndicatorView(
        const std::shared_ptr<UIView>& view, const std::shared_ptr<UIActivityIndicatorView>& indicator);
    // The n-th direct subview (from 0) of class T, or nothing.
    template <typename T>
    static std::shared_ptr<T> findSubViewInOfClassIndex(const std::shared_ptr<UIView>& view, long index);
    // The alignment of an alert's message (its second label).
    static void setTextAlignmentForAlertView(UITextAlignment alignment, const std::shared_ptr<UIAlertView>& alert);
    // The wiggle of an item being edited: a rotation of -0.03 to +0.03 radians, forever.
    static void setViewShakingShaking(const std::shared_ptr<UIView>& view, bool shaking);
};

#include "Platform/UIKit/UIView.h"

template <typename T>
std::shared_ptr<T> PublicFunction::findSubViewInOfClassIndex(const std::shared_ptr<UIView>& view, long index)
{
    if (!view)
        return nullptr;
    long seen = 0;
    for (const auto& subview : view->subviews()) {
        if (auto typed = std::dynamic_pointer_cast<T>(subview)) {
            if (seen++ == index)
                return typed;
        }
    }
    return nullptr;
}
