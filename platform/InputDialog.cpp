#include "InputDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "Platform.h"

namespace hx {

namespace {

QString FromUtf8(const std::string &text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::function<std::optional<std::string>(const InputRequest &)> &InputDialogHook() {
    static std::function<std::optional<std::string>(const InputRequest &)> hook;
    return hook;
}

std::optional<std::string> AskInput(const InputRequest &request) {
    if (InputDialogHook()) return InputDialogHook()(request);
    QWidget *owner = request.window >= 0 ? WindowWidget(request.window) : nullptr;
    QDialog dialog(owner);
    dialog.setWindowTitle(FromUtf8(request.title));
    dialog.setObjectName(QStringLiteral("hxInputDialog"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *prompt = new QLabel(FromUtf8(request.prompt), &dialog);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);
    auto *field = new QLineEdit(FromUtf8(request.text), &dialog);
    field->selectAll();
    layout->addWidget(field);
    prompt->setBuddy(field);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    if (!request.okText.empty()) buttons->button(QDialogButtonBox::Ok)->setText(FromUtf8(request.okText));
    if (!request.cancelText.empty())
        buttons->button(QDialogButtonBox::Cancel)->setText(FromUtf8(request.cancelText));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.setMinimumWidth(360);
    field->setFocus();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QByteArray bytes = field->text().toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
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
