// The confirmation before a form file drafted from a notification is saved: the form and whether
// it is new or revised, the differences from the current definition one line each, the file
// written and the form file there now, which is kept in forms/old/. OK saves, キャンセル does not.
#pragma once

#include <QDialog>

#include "run/FormDraftSaving.h"

class QPlainTextEdit;

namespace tenvor {

class FormDraftDialog : public QDialog {
    Q_OBJECT

public:
    FormDraftDialog(const DraftConfirmation& confirmation, QWidget* parent);

    // The text the dialog shows, as one block of lines.
    QString Text() const;

private:
    QPlainTextEdit* lines_;
};

// The lines of a confirmation: the heading, the differences, then the files, with an empty line
// between the parts.
QString ConfirmationText(const DraftConfirmation& confirmation);

}  // namespace tenvor
