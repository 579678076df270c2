#include "ui/PathChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace tenvor {

namespace {

// An open chooser that takes a typed name of a file that does not exist yet (the run reports
// it), but not one in a folder that does not exist.
class InputFileDialog : public QFileDialog {
public:
    explicit InputFileDialog(QWidget* parent) : QFileDialog(parent)
    {
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::AnyFile);
        setNameFilters({QStringLiteral("XMLファイル(*.xml)"), QStringLiteral("ZIPファイル(*.zip)")});
        setDefaultSuffix(QStringLiteral("xml"));
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !QFileInfo(files.first()).absoluteDir().exists()) {
            return;  // stay open: the folder of the typed path must exist
        }
        QFileDialog::accept();
    }
};

}  // namespace

std::optional<QString> DialogPathChooser::ChooseXmlFile(QWidget* parent)
{
    InputFileDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(QFileInfo(dialog.selectedFiles().first()).absoluteFilePath());
}

std::optional<QString> DialogPathChooser::ChooseFolder(QWidget* parent)
{
    const QString folder = QFileDialog::getExistingDirectory(parent);
    if (folder.isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(folder);
}

}  // namespace tenvor
