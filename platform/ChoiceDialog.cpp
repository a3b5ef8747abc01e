#include "ChoiceDialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Platform.h"

namespace hx {

namespace {

QString FromUtf8(const std::string &text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::function<std::optional<int>(const ChoiceRequest &)> &ChoiceDialogHook() {
    static std::function<std::optional<int>(const ChoiceRequest &)> hook;
    return hook;
}

std::optional<int> AskChoice(const ChoiceRequest &request) {
    if (ChoiceDialogHook()) return ChoiceDialogHook()(request);
    if (request.entries.empty()) return std::nullopt;
    QWidget *owner = request.window >= 0 ? WindowWidget(request.window) : nullptr;
    QDialog dialog(owner);
    dialog.setWindowTitle(FromUtf8(request.title));
    auto *layout = new QVBoxLayout(&dialog);
    auto *prompt = new QLabel(FromUtf8(request.prompt), &dialog);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    auto *list = new QListWidget(&dialog);
    for (const std::string &entry : request.entries) list->addItem(FromUtf8(entry));
    list->setCurrentRow(0);
    layout->addWidget(list);
    prompt->setBuddy(list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    if (!request.okText.empty()) buttons->button(QDialogButtonBox::Ok)->setText(FromUtf8(request.okText));
    if (!request.cancelText.empty())
        buttons->button(QDialogButtonBox::Cancel)->setText(FromUtf8(request.cancelText));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    dialog.setMinimumWidth(360);
    list->setFocus();
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return std::nullopt;
    return list->currentRow();
}

}  // namespace hx
