#include "ProgressWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

#include "Platform.h"

namespace hx {
namespace {

constexpr int BarSteps = 1000;

// Refuses to be closed by the window manager or Escape: the operation behind
// it runs to its end either way, and a vanished window would hide that.
class ProgressDialog : public QDialog {
public:
    explicit ProgressDialog(QWidget *owner)
        : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
        setWindowModality(Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(this);
        line = new QLabel(this);
        bar = new QProgressBar(this);
        bar->setRange(0, BarSteps);
        bar->setTextVisible(true);
        note = new QLabel(this);
        note->setWordWrap(true);
        layout->addWidget(line);
        layout->addWidget(bar);
        layout->addWidget(note);
        setMinimumWidth(420);
    }

    QLabel *line = nullptr;
    QProgressBar *bar = nullptr;
    QLabel *note = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
    void keyPressEvent(QKeyEvent *event) override { event->ignore(); }
    void reject() override {}
};

QPointer<ProgressDialog> &Current() {
    static QPointer<ProgressDialog> dialog;
    return dialog;
}

// Where the keyboard was before the window opened; given back when it closes.
std::optional<KeepKeyboardFocus> &FocusBefore() {
    static std::optional<KeepKeyboardFocus> focus;
    return focus;
}

int64_t &Openings() {
    static int64_t count = 0;
    return count;
}

int Permille(int64_t done, int64_t total) {
    if (total <= 0 || done >= total) return BarSteps;
    if (done <= 0) return 0;
    // done < total here, so the quotient stays below BarSteps; long double
    // keeps the product from overflowing for sizes near the int64 limit.
    return static_cast<int>(static_cast<long double>(done) * BarSteps / static_cast<long double>(total));
}

void LetThemPaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

void OpenProgressWindow(int owner, const std::string &title, const std::string &note) {
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) == nullptr) return;
    QPointer<ProgressDialog> &dialog = Current();
    if (!dialog) {
        FocusBefore().emplace();
        dialog = new ProgressDialog(owner >= 0 ? WindowWidget(owner) : nullptr);
        dialog->setAttribute(Qt::WA_DeleteOnClose, false);
        dialog->bar->setValue(0);
    }
    dialog->setWindowTitle(QString::fromStdString(title));
    dialog->note->setText(QString::fromStdString(note));
    dialog->adjustSize();
    if (!dialog->isVisible()) {
        ++Openings();
        dialog->show();
        dialog->raise();
    }
    LetThemPaint();
}

void UpdateProgressWindow(int64_t done, int64_t total, const std::string &line) {
    ProgressDialog *dialog = Current();
    if (!dialog) return;
    dialog->line->setText(QString::fromStdString(line));
    dialog->bar->setValue(Permille(done, total));
    LetThemPaint();
}

void CloseProgressWindow() {
    QPointer<ProgressDialog> &dialog = Current();
    if (!dialog) return;
    dialog->hide();
    delete dialog.data();
    dialog = nullptr;
    FocusBefore().reset();
}

bool IsProgressWindowOpen() { return Current() && Current()->isVisible(); }

int64_t ProgressWindowOpenings() { return Openings(); }

std::string ProgressWindowLine() {
    return Current() ? Current()->line->text().toStdString() : std::string();
}

std::string ProgressWindowNote() {
    return Current() ? Current()->note->text().toStdString() : std::string();
}

int ProgressWindowPermille() { return Current() ? Current()->bar->value() : -1; }

}  // namespace hx
