#include "FormDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "Platform.h"

namespace hx {

namespace {

QString FromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToUtf8(const QString &text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QIcon Swatch(uint32_t colour) {
    QPixmap square(14, 14);
    square.fill(QColor(colour & 255, (colour >> 8) & 255, (colour >> 16) & 255));
    return QIcon(square);
}

}  // namespace

std::function<std::optional<std::vector<FormField>>(const FormRequest &)> &FormDialogHook() {
    static std::function<std::optional<std::vector<FormField>>(const FormRequest &)> hook;
    return hook;
}

std::optional<std::vector<FormField>> AskForm(const FormRequest &request) {
    if (FormDialogHook()) return FormDialogHook()(request);
    QWidget *owner = request.window >= 0 ? WindowWidget(request.window) : nullptr;
    QDialog dialog(owner);
    dialog.setWindowTitle(FromUtf8(request.title));
    dialog.setObjectName(QStringLiteral("hxFormDialog"));
    auto *layout = new QVBoxLayout(&dialog);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    std::vector<QWidget *> editors;
    for (const FormField &field : request.fields) {
        if (field.kind == FormField::Kind::Text) {
            auto *line = new QLineEdit(FromUtf8(field.text), &dialog);
            line->selectAll();
            form->addRow(FromUtf8(field.label), line);
            editors.push_back(line);
            continue;
        }
        auto *box = new QComboBox(&dialog);
        for (size_t i = 0; i < field.choices.size(); ++i) {
            if (i < field.swatches.size()) box->addItem(Swatch(field.swatches[i]), FromUtf8(field.choices[i]));
            else box->addItem(FromUtf8(field.choices[i]));
        }
        box->setCurrentIndex(field.choice);
        form->addRow(FromUtf8(field.label), box);
        editors.push_back(box);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    if (!request.okText.empty()) buttons->button(QDialogButtonBox::Ok)->setText(FromUtf8(request.okText));
    if (!request.cancelText.empty()) buttons->button(QDialogButtonBox::Cancel)->setText(FromUtf8(request.cancelText));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.setMinimumWidth(380);
    if (!editors.empty()) editors.front()->setFocus();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    std::vector<FormField> answer = request.fields;
    for (size_t i = 0; i < answer.size(); ++i) {
        if (auto *line = qobject_cast<QLineEdit *>(editors[i])) answer[i].text = ToUtf8(line->text());
        if (auto *box = qobject_cast<QComboBox *>(editors[i])) answer[i].choice = box->currentIndex();
    }
    return answer;
}

}  // namespace hx
