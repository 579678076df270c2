#include "ui/FormDraftDialog.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

namespace tenvor {

namespace {

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QString ConfirmationText(const DraftConfirmation& confirmation)
{
    QStringList lines{FromUtf8(confirmation.heading)};
    if (!confirmation.differences.empty()) {
        lines.append(QString());
        for (const std::string& difference : confirmation.differences) {
            lines.append(FromUtf8(difference));
        }
    }
    if (!confirmation.files.empty()) {
        lines.append(QString());
        for (const std::string& file : confirmation.files) {
            lines.append(FromUtf8(file));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

FormDraftDialog::FormDraftDialog(const DraftConfirmation& confirmation, QWidget* parent)
    : QDialog(parent), lines_(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("FormDraftDialog"));
    setWindowTitle(QStringLiteral("様式定義の作成"));
    setModal(true);

    lines_->setObjectName(QStringLiteral("FormDraftLines"));
    lines_->setReadOnly(true);
    lines_->setLineWrapMode(QPlainTextEdit::NoWrap);
    lines_->setTabChangesFocus(true);
    lines_->setPlainText(ConfirmationText(confirmation));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("FormDraftButtons"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lines_);
    layout->addWidget(buttons);

    // Wide enough for a path and an element name, tall enough for a dozen lines.
    const QFontMetrics metrics(lines_->font());
    resize(metrics.averageCharWidth() * 90, metrics.lineSpacing() * 18);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

QString FormDraftDialog::Text() const
{
    return lines_->toPlainText();
}

}  // namespace tenvor
