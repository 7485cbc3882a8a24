#include "ui/HelpLink.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace quillon {

namespace {

constexpr int kFoldersAbove = 3;

QString FindReadme() {
    QDir dir(QCoreApplication::applicationDirPath());
    for (int level = 0; level <= kFoldersAbove; ++level) {
        QFileInfo candidate(dir.filePath("README.md"));
        if (candidate.isFile()) {
            return candidate.absoluteFilePath();
        }
        if (!dir.cdUp()) {
            break;
        }
    }
    QFileInfo installed("/usr/share/doc/quillon/README.md");
    return installed.isFile() ? installed.absoluteFilePath() : QString();
}

}  // namespace

QUrl HelpUrl(const QString& anchor) {
    QString readme = FindReadme();
    if (readme.isEmpty()) {
        return {};
    }
    QUrl url = QUrl::fromLocalFile(readme);
    url.setFragment(anchor);
    return url;
}

bool OpenHelp(const QString& anchor) {
    QUrl url = HelpUrl(anchor);
    return !url.isEmpty() && QDesktopServices::openUrl(url);
}

}  // namespace quillon
