#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>

#include <initializer_list>
#include <utility>
#include <vector>

#include "Platform.h"
#include "PlatformInternal.h"

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

// A question with the buttons given: the first is the default, the last
// answers Escape and the close box. Returns the index of the button pressed.
int Ask(int window, const std::string &title, const std::string &text,
        std::initializer_list<std::pair<std::string, QMessageBox::ButtonRole>> buttons) {
    QMessageBox box(QMessageBox::Question, ToQ(title), ToQ(text), QMessageBox::NoButton, WindowWidget(window));
    box.setTextFormat(Qt::PlainText);
    std::vector<QPushButton *> made;
    for (const auto &[label, role] : buttons) made.push_back(box.addButton(ToQ(label), role));
    box.setDefaultButton(made.front());
    box.setEscapeButton(made.back());
    box.exec();
    for (size_t i = 0; i < made.size(); ++i)
        if (box.clickedButton() == made[i]) return static_cast<int>(i);
    return static_cast<int>(made.size()) - 1;
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
    detail::StepAsideForDialog();
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
    detail::StepAsideForDialog();
    if (Dialogs().saveFile) return Dialogs().saveFile(request);
    return FromQ(QFileDialog::getSaveFileName(WindowWidget(request.window), ToQ(request.title),
                                              ToQ(request.proposedName),
                                              ToQ(FileDialogFilter(request.pattern))));
}

SaveChoice AskSaveChanges(const SaveQuestion &question) {
    detail::StepAsideForDialog();
    if (Dialogs().askSave) return Dialogs().askSave(question);
    const int pressed = Ask(question.window, question.title, question.text,
                            {{question.saveText, QMessageBox::AcceptRole},
                             {question.discardText, QMessageBox::DestructiveRole},
                             {question.cancelText, QMessageBox::RejectRole}});
    return pressed == 0 ? SaveChoice::Save : pressed == 1 ? SaveChoice::Discard : SaveChoice::Cancel;
}

bool AskYesNo(const YesNoQuestion &question) {
    detail::StepAsideForDialog();
    if (Dialogs().askYesNo) return Dialogs().askYesNo(question);
    return Ask(question.window, question.title, question.text,
               {{question.yesText, QMessageBox::AcceptRole}, {question.noText, QMessageBox::RejectRole}}) == 0;
}

void ShowMessage(int window, const std::string &title, const std::string &text) {
    detail::StepAsideForDialog();
    if (Dialogs().message) {
        Dialogs().message(window, title, text);
        return;
    }
    MessageBox(window, title, text);
}

}  // namespace hx
