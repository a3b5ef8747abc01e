#include "InputDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "Platform.h"
#include "PlatformInternal.h"

namespace hx {

namespace {

QString FromUtf8(const std::string &text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The frame of the small dialogs: a title, a prompt above the asking widget,
// OK (the default) and Cancel below it.
bool RunSmallDialog(QDialog &dialog, const std::string &title, const std::string &prompt, QWidget *field,
                    const std::string &okText, const std::string &cancelText) {
    dialog.setWindowTitle(FromUtf8(title));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(FromUtf8(prompt), &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    layout->addWidget(field);
    label->setBuddy(field);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    if (!okText.empty()) buttons->button(QDialogButtonBox::Ok)->setText(FromUtf8(okText));
    if (!cancelText.empty()) buttons->button(QDialogButtonBox::Cancel)->setText(FromUtf8(cancelText));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.setMinimumWidth(360);
    field->setFocus();
    detail::StepAsideForDialog();
    return dialog.exec() == QDialog::Accepted;
}

QWidget *Owner(int window) { return window >= 0 ? WindowWidget(window) : nullptr; }

}  // namespace

std::function<std::optional<std::string>(const InputRequest &)> &InputDialogHook() {
    static std::function<std::optional<std::string>(const InputRequest &)> hook;
    return hook;
}

std::optional<std::string> AskInput(const InputRequest &request) {
    if (InputDialogHook()) return InputDialogHook()(request);
    QDialog dialog(Owner(request.window));
    dialog.setObjectName(QStringLiteral("hxInputDialog"));
    auto *field = new QLineEdit(FromUtf8(request.text), &dialog);
    field->selectAll();
    if (!RunSmallDialog(dialog, request.title, request.prompt, field, request.okText, request.cancelText))
        return std::nullopt;
    const QByteArray bytes = field->text().toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

std::function<std::optional<int>(const ChoiceRequest &)> &ChoiceDialogHook() {
    static std::function<std::optional<int>(const ChoiceRequest &)> hook;
    return hook;
}

std::optional<int> AskChoice(const ChoiceRequest &request) {
    if (ChoiceDialogHook()) return ChoiceDialogHook()(request);
    if (request.entries.empty()) return std::nullopt;
    QDialog dialog(Owner(request.window));
    auto *list = new QListWidget(&dialog);
    for (const std::string &entry : request.entries) list->addItem(FromUtf8(entry));
    list->setCurrentRow(0);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    if (!RunSmallDialog(dialog, request.title, request.prompt, list, request.okText, request.cancelText) ||
        list->currentRow() < 0)
        return std::nullopt;
    return list->currentRow();
}

void ActivateWindow(int number) {
    QWidget *widget = WindowWidget(number);
    if (!widget) return;
    widget->show();
    widget->activateWindow();
    // Headless platforms have no window manager to ask; tell Qt directly.
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) QApplication::setActiveWindow(widget);
}

}  // namespace hx
