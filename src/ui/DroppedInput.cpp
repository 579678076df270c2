#include "ui/DroppedInput.h"

#include <QDir>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <string>

#include "platform/FolderListing.h"

namespace tenvor {

std::optional<DroppedInput> DroppedInputOf(const QMimeData* mimeData)
{
    if (mimeData == nullptr || !mimeData->hasUrls()) {
        return std::nullopt;
    }
    const QList<QUrl> urls = mimeData->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) {
        return std::nullopt;
    }
    const QFileInfo info(urls.first().toLocalFile());
    const QString path = QDir::toNativeSeparators(QDir::cleanPath(info.absoluteFilePath()));
    if (info.isDir()) {
        return DroppedInput{path, true};
    }
    const std::string name = info.fileName().toStdString();
    if (info.isFile() && (HasXmlExtension(name) || HasZipExtension(name))) {
        return DroppedInput{path, false};
    }
    return std::nullopt;
}

}  // namespace tenvor
