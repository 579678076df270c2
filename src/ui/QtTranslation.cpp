#include "ui/QtTranslation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tenvor {

namespace {

QString FindQtJapanese()
{
    const QString name = QString::fromLatin1(kQtJapaneseTranslation);
    const QString folders[] = {
        QLibraryInfo::path(QLibraryInfo::TranslationsPath),
        QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(kTranslationsFolderBesideProgram)),
    };
    for (const QString& folder : folders) {
        if (folder.isEmpty()) {
            continue;
        }
        const QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile()) {
            return file.absoluteFilePath();
        }
    }
    return {};
}

}  // namespace

QString InstallQtJapanese(QCoreApplication& application)
{
    // Dates and sizes in the choosers, too, are written the Japanese way.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));

    const QString path = FindQtJapanese();
    if (path.isEmpty()) {
        return {};
    }
    auto* translator = new QTranslator(&application);  // lives as long as the application
    if (!translator->load(path) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return {};
    }
    return path;
}

}  // namespace tenvor
