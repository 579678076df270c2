// The choosers behind the two browse buttons. The window asks through this interface, so a test
// can answer in place of a real dialog.
#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace tenvor {

class PathChooser {
public:
    virtual ~PathChooser() = default;

    // An XML file or a ZIP file of notifications to open: full path in native form, or nullopt
    // when cancelled.
    virtual std::optional<QString> ChooseXmlFile(QWidget* parent) = 0;
    // A folder: as the chooser returns it, in native form, or nullopt when cancelled.
    virtual std::optional<QString> ChooseFolder(QWidget* parent) = 0;
};

// The platform's file and folder choosers, opened without an initial file or folder. The file
// chooser lists "XMLファイル(*.xml)" (the one shown first), then "ZIPファイル(*.zip)", adds ".xml"
// to a name typed without an extension, and accepts a typed name only in a folder that exists.
class DialogPathChooser : public PathChooser {
public:
    std::optional<QString> ChooseXmlFile(QWidget* parent) override;
    std::optional<QString> ChooseFolder(QWidget* parent) override;
};

}  // namespace tenvor
