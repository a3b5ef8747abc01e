#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include "Platform.h"

namespace hx {
namespace {

QString ToQ(const std::string &s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

std::string FromQ(const QString &s) {
    QByteArray bytes = s.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Wildcards of one pattern field, blank separated as Qt wants them.
QString Wildcards(const QString &field) {
    QStringList parts;
    for (QString part : field.split(';', Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty()) continue;
        parts << (part == "*.*" ? QStringLiteral("*") : part);
    }
    return parts.join(' ');
}

}  // namespace

DialogHooks &Dialogs() {
    static DialogHooks hooks;
    return hooks;
}

std::string FileDialogFilter(const std::string &pattern) {
    QStringList fields = ToQ(pattern).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        QString wildcards = Wildcards(fields[i + 1]);
        if (wildcards.isEmpty()) continue;
        // Qt takes the patterns from the last parentheses of a filter, so a
        // description that already names its patterns that way ("All files
        // (*)") has them replaced by the pattern field's, which is what counts.
        QString description = fields[i].trimmed();
        if (description.endsWith(')') && description.lastIndexOf('(') >= 0)
            description = description.left(description.lastIndexOf('(')).trimmed();
        filters << (description.isEmpty() ? "(" + wildcards + ")" : description + " (" + wildcards + ")");
    }
    return FromQ(filters.join(";;"));
}

std::vector<std::string> OpenFileDialog(const OpenFileRequest &request) {
    if (Dialogs().openFile) return Dialogs().openFile(request);
    QString filter = ToQ(FileDialogFilter(request.pattern));
    QWidget *owner = WindowWidget(request.window);
    std::vector<std::string> paths;
    if (request.multiple) {
        for (const QString &path : QFileDialog::getOpenFileNames(owner, ToQ(request.title),
                                                                 ToQ(request.folder), filter))
            paths.push_back(FromQ(path));
        return paths;
    }
    QString path = QFileDialog::getOpenFileName(owner, ToQ(request.title), ToQ(request.folder), filter);
    if (!path.isEmpty()) paths.push_back(FromQ(path));
    return paths;
}

std::string SaveFileDialog(const SaveFileRequest &request) {
    if (Dialogs().saveFile) return Dialogs().saveFile(request);
    return FromQ(QFileDialog::getSaveFileName(WindowWidget(request.window), ToQ(request.title),
                                              ToQ(request.proposedName),
                                              ToQ(FileDialogFilter(request.pattern))));
}

SaveChoice AskSaveChanges(const SaveQuestion &question) {
    if (Dialogs().askSave) return Dialogs().askSave(question);
    QMessageBox box(QMessageBox::Question, ToQ(question.title), ToQ(question.text), QMessageBox::NoButton,
                    WindowWidget(question.window));
    box.setTextFormat(Qt::PlainText);
    QPushButton *save = box.addButton(ToQ(question.saveText), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(ToQ(question.discardText), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(ToQ(question.cancelText), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return SaveChoice::Save;
    if (box.clickedButton() == discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

bool AskYesNo(const YesNoQuestion &question) {
    if (Dialogs().askYesNo) return Dialogs().askYesNo(question);
    QMessageBox box(QMessageBox::Question, ToQ(question.title), ToQ(question.text), QMessageBox::NoButton,
                    WindowWidget(question.window));
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = box.addButton(ToQ(question.yesText), QMessageBox::AcceptRole);
    QPushButton *no = box.addButton(ToQ(question.noText), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void ShowMessage(int window, const std::string &title, const std::string &text) {
    if (Dialogs().message) {
        Dialogs().message(window, title, text);
        return;
    }
    MessageBox(window, title, text);
}

}  // namespace hx
