#include "ui/ClipboardFiles.h"

#include <QFile>
#include <QMimeData>

namespace quillon {

std::vector<std::string> ClipboardFilePaths(const QMimeData* data, bool* cut) {
    if (cut != nullptr) {
        *cut = false;
    }
    if (!data) {
        return {};
    }
    // A GNOME list says whether the files were cut; its paths are the same as the URI list's.
    std::vector<std::string> gnome;
    if (data->hasFormat(kMimeGnomeCopiedFiles)) {
        const QByteArray bytes = data->data(kMimeGnomeCopiedFiles);
        gnome = PathsFromGnomeCopiedFiles(std::string_view(bytes.constData(), bytes.size()), cut);
    }
    if (data->hasFormat(kMimeUriList)) {
        const QByteArray bytes = data->data(kMimeUriList);
        std::vector<std::string> paths =
            PathsFromUriList(std::string_view(bytes.constData(), bytes.size()));
        if (cut != nullptr && paths != gnome) {
            *cut = false;
        }
        return paths;
    }
    return gnome;
}

QMimeData* MimeDataForPaths(const std::vector<std::string>& paths, bool cut) {
    auto* data = new QMimeData;
    data->setData(kMimeUriList, QByteArray::fromStdString(UriListFromPaths(paths)));
    data->setData(kMimeGnomeCopiedFiles,
                  QByteArray::fromStdString(GnomeCopiedFilesFromPaths(paths, cut)));
    QString text;
    for (const std::string& path : paths) {
        text += QFile::decodeName(QByteArray::fromStdString(path));
        text += '\n';
    }
    data->setText(text);
    return data;
}

}  // namespace quillon
