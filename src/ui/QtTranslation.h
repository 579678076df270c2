// Qt's own texts in Japanese: the file and folder choosers (their titles, labels and buttons),
// the text boxes' context menus and the standard buttons, so that nothing in the window is left
// in English.
#pragma once

#include <QString>

class QCoreApplication;

namespace tenvor {

// The file name of Qt's Japanese translation.
inline constexpr char kQtJapaneseTranslation[] = "qtbase_ja.qm";
// The folder beside the program where an installation without Qt's translations folder (the
// Windows edition) keeps the file.
inline constexpr char kTranslationsFolderBesideProgram[] = "translations";

// Makes Japanese the application's default locale and installs Qt's Japanese translation, taken
// from Qt's translations folder or, when that has none, from the folder "translations" beside
// the program. Returns the path of the file installed, or an empty string when none was found
// (Qt's texts then stay in English).
QString InstallQtJapanese(QCoreApplication& application);

}  // namespace tenvor
