#include "Controls.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>

#include "Platform.h"

namespace hx {

namespace {

// Texts of labels, groups, buttons, lists and check boxes come from the
// language files, which are UTF-8; what the user types into an input field
// is Latin-1 like every byte the program shows as a character.
QString Utf8(const std::string &text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string FromUtf8(const QString &text) {
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString Latin1(const std::string &text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToLatin1(const QString &text) {
    QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Places widget on the window's inner area under number; false (and the
// widget deleted) when the window does not exist.
template <typename W>
W *Place(int number, int window, W *widget, int x, int y, int width, int height) {
    QWidget *area = WindowControlArea(window);
    if (!area || number < 0) {
        delete widget;
        return nullptr;
    }
    widget->setParent(area);
    widget->setGeometry(x, y, width, height);
    widget->setFont(area->font());
    widget->show();
    RegisterControl(number, window, widget);
    return widget;
}

// A spin box whose shown text the program chooses per position.
class FormattedSpinBox : public QSpinBox {
public:
    std::function<std::string(int)> formatter;
    // Shows the text of the current position again (after a new formatter).
    void refreshText() { lineEdit()->setText(textFromValue(value())); }

protected:
    QString textFromValue(int value) const override {
        return formatter ? Utf8(formatter(value)) : QSpinBox::textFromValue(value);
    }
    // The text is the program's, not a number to be typed: stepping is the way to change it.
    int valueFromText(const QString &) const override { return value(); }
    QValidator::State validate(QString &, int &) const override { return QValidator::Acceptable; }
};

template <typename W>
W *As(int number) {
    return qobject_cast<W *>(ControlWidget(number));
}

void Post(int control, int64_t data, int type = ControlActivated) {
    int window = ControlWindow(control);
    Event event;
    event.window = window;
    event.control = control;
    event.kind = EventControl;
    event.type = type;
    event.data = data;
    PostEvent(event);
}

}  // namespace

void CreateGroup(int number, int window, int x, int y, int width, int height, const std::string &title) {
    Place(number, window, new QGroupBox(Utf8(title)), x, y, width, height);
}

void CreateLabel(int number, int window, int x, int y, int width, int height, const std::string &text,
                 int flags) {
    QLabel *label = Place(number, window, new QLabel(Utf8(text)), x, y, width, height);
    // A text longer than its place goes on in the next line where there is room for one.
    if (label) label->setWordWrap(true);
    if (label && (flags & ControlRightAligned)) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void CreateInputField(int number, int window, int x, int y, int width, int height, const std::string &text,
                      int flags) {
    auto *field = Place(number, window, new QLineEdit(Latin1(text)), x, y, width, height);
    if (!field) return;
    if (flags & ControlRightAligned) field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setReadOnly((flags & ControlReadOnly) != 0);
    QObject::connect(field, &QLineEdit::returnPressed, field, [number] { Post(number, 0); });
    if (flags & ControlNotifyEdits)
        QObject::connect(field, &QLineEdit::textEdited, field, [number] { Post(number, 0, ControlEdited); });
}

void CreateButton(int number, int window, int x, int y, int width, int height, const std::string &text,
                  int flags) {
    auto *button = Place(number, window, new QPushButton(Utf8(text)), x, y, width, height);
    if (!button) return;
    button->setAutoDefault(false);
    if (flags & ControlToggle) {
        button->setCheckable(true);
        QObject::connect(button, &QPushButton::clicked, button, [number](bool on) { Post(number, on ? 1 : 0); });
        return;
    }
    QObject::connect(button, &QPushButton::clicked, button, [number] { Post(number, 0); });
}

void SetButtonImage(int number, const QImage *image) {
    auto *button = As<QPushButton>(number);
    if (!button) return;
    if (!image || image->isNull()) {
        button->setIcon(QIcon());
        return;
    }
    button->setIcon(QIcon(QPixmap::fromImage(*image)));
    button->setIconSize(image->size());
}

void CreateDropDown(int number, int window, int x, int y, int width, int height) {
    auto *box = Place(number, window, new QComboBox, x, y, width, height);
    if (!box) return;
    QObject::connect(box, &QComboBox::activated, box, [number](int index) { Post(number, index); });
    // The box keeps the size the window gives it; a choice too long for it is
    // shown whole in a tooltip.
    QObject::connect(box, &QComboBox::currentTextChanged, box, [box](const QString &text) {
        const int room = box->width() - box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 12;
        box->setToolTip(box->fontMetrics().horizontalAdvance(text) > room ? text : QString());
    });
}

int AddDropDownItem(int number, const std::string &text, intptr_t data) {
    auto *box = As<QComboBox>(number);
    if (!box) return -1;
    box->addItem(Utf8(text), QVariant::fromValue<qlonglong>(static_cast<qlonglong>(data)));
    // The open list is as wide as its longest entry, even where the closed box is narrower.
    QAbstractItemView *list = box->view();
    const int needed = box->fontMetrics().horizontalAdvance(box->itemText(box->count() - 1)) + 24 +
                       2 * list->frameWidth() + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    list->setMinimumWidth(std::max(list->minimumWidth(), needed));
    return box->count() - 1;
}

void ClearDropDown(int number) {
    if (auto *box = As<QComboBox>(number)) box->clear();
}

int DropDownCount(int number) {
    auto *box = As<QComboBox>(number);
    return box ? box->count() : 0;
}

std::string DropDownText(int number, int index) {
    auto *box = As<QComboBox>(number);
    if (!box || index < 0 || index >= box->count()) return {};
    return FromUtf8(box->itemText(index));
}

intptr_t DropDownData(int number, int index) {
    auto *box = As<QComboBox>(number);
    if (!box || index < 0 || index >= box->count()) return 0;
    return static_cast<intptr_t>(box->itemData(index).toLongLong());
}

void CreateProgressBar(int number, int window, int x, int y, int width, int height, int min, int max) {
    auto *bar = Place(number, window, new QProgressBar, x, y, width, height);
    if (!bar) return;
    bar->setRange(min, max);
    bar->setValue(min);
    bar->setTextVisible(false);
}

void CreateTreeList(int number, int window, int x, int y, int width, int height) {
    auto *list = Place(number, window, new QListWidget, x, y, width, height);
    if (!list) return;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(list, &QListWidget::itemClicked, list,
                     [number, list](QListWidgetItem *item) { Post(number, list->row(item)); });
    QObject::connect(list, &QListWidget::currentRowChanged, list, [number, list](int row) {
        // Keys move the selection too; a change made by the program is not the user's.
        if (list->property("hxProgramChange").toBool() || row < 0) return;
        if (list->hasFocus()) Post(number, row);
    });
}

int AddTreeItem(int number, const std::string &text) {
    auto *list = As<QListWidget>(number);
    if (!list) return -1;
    list->addItem(Utf8(text));
    return list->count() - 1;
}

void CreateSpinBox(int number, int window, int x, int y, int width, int height, int min, int max) {
    auto *spin = Place(number, window, new FormattedSpinBox, x, y, width, height);
    if (!spin) return;
    spin->setRange(min, max);
    spin->setWrapping(false);
    QObject::connect(spin, &QSpinBox::valueChanged, spin, [number, spin](int value) {
        if (spin->property("hxProgramChange").toBool()) return;
        Post(number, value);
    });
}

void SetSpinFormatter(int number, std::function<std::string(int)> formatter) {
    auto *spin = dynamic_cast<FormattedSpinBox *>(ControlWidget(number));
    if (!spin) return;
    spin->formatter = std::move(formatter);
    spin->refreshText();
}

void CreateCheckBox(int number, int window, int x, int y, int width, int height, const std::string &text) {
    auto *box = Place(number, window, new QCheckBox(Utf8(text)), x, y, width, height);
    if (!box) return;
    QObject::connect(box, &QCheckBox::clicked, box, [number](bool on) { Post(number, on ? 1 : 0); });
}

int GetControlState(int number) {
    QWidget *w = ControlWidget(number);
    if (auto *b = qobject_cast<QPushButton *>(w)) return b->isChecked() ? 1 : 0;
    if (auto *c = qobject_cast<QCheckBox *>(w)) return c->isChecked() ? 1 : 0;
    if (auto *d = qobject_cast<QComboBox *>(w)) return d->currentIndex();
    if (auto *l = qobject_cast<QListWidget *>(w)) return l->currentRow();
    if (auto *s = qobject_cast<QSpinBox *>(w)) return s->value();
    if (auto *p = qobject_cast<QProgressBar *>(w)) return p->value();
    return 0;
}

void SetControlState(int number, int state) {
    QWidget *w = ControlWidget(number);
    if (!w) return;
    w->setProperty("hxProgramChange", true);
    if (auto *b = qobject_cast<QPushButton *>(w)) {
        b->setChecked(state != 0);
    } else if (auto *c = qobject_cast<QCheckBox *>(w)) {
        c->setChecked(state != 0);
    } else if (auto *d = qobject_cast<QComboBox *>(w)) {
        d->setCurrentIndex(state >= 0 && state < d->count() ? state : -1);
    } else if (auto *l = qobject_cast<QListWidget *>(w)) {
        l->setCurrentRow(state >= 0 && state < l->count() ? state : -1);
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        s->setValue(state);
    } else if (auto *p = qobject_cast<QProgressBar *>(w)) {
        p->setValue(std::clamp(state, p->minimum(), p->maximum()));
    }
    w->setProperty("hxProgramChange", false);
}

std::string GetControlText(int number) {
    QWidget *w = ControlWidget(number);
    if (auto *e = qobject_cast<QLineEdit *>(w)) return ToLatin1(e->text());
    if (auto *l = qobject_cast<QLabel *>(w)) return FromUtf8(l->text());
    if (auto *b = qobject_cast<QPushButton *>(w)) return FromUtf8(b->text());
    if (auto *c = qobject_cast<QCheckBox *>(w)) return FromUtf8(c->text());
    if (auto *g = qobject_cast<QGroupBox *>(w)) return FromUtf8(g->title());
    if (auto *d = qobject_cast<QComboBox *>(w)) return d->currentIndex() < 0 ? std::string() : FromUtf8(d->currentText());
    if (auto *s = qobject_cast<QSpinBox *>(w)) return FromUtf8(s->text());
    return {};
}

void SetControlText(int number, const std::string &text) {
    QWidget *w = ControlWidget(number);
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(Latin1(text));
        // A text longer than the field shows its start, where a number's sign
        // and leading digits are, not its last digits.
        e->setCursorPosition(0);
    } else if (auto *l = qobject_cast<QLabel *>(w)) {
        l->setText(Utf8(text));
    } else if (auto *b = qobject_cast<QPushButton *>(w)) {
        b->setText(Utf8(text));
    } else if (auto *c = qobject_cast<QCheckBox *>(w)) {
        c->setText(Utf8(text));
    } else if (auto *g = qobject_cast<QGroupBox *>(w)) {
        g->setTitle(Utf8(text));
    } else if (auto *d = qobject_cast<QComboBox *>(w)) {
        d->setCurrentIndex(d->findText(Utf8(text), Qt::MatchExactly));
    }
}

void PlaceInGroup(int number, int group, int x, int y) {
    QWidget *w = ControlWidget(number);
    auto *box = As<QGroupBox>(group);
    if (!w || !box) return;
    const QSize size = w->size();
    w->setParent(box);
    w->setGeometry(x, y, size.width(), size.height());
    w->show();
}

void ShowControl(int number, bool show) {
    if (QWidget *w = ControlWidget(number)) w->setVisible(show);
}

bool IsControlVisible(int number) {
    QWidget *w = ControlWidget(number);
    return w && !w->isHidden();
}

bool IsControlEnabled(int number) {
    QWidget *w = ControlWidget(number);
    return w && w->isEnabled();
}

void SetControlToolTip(int number, const std::string &text) {
    if (QWidget *w = ControlWidget(number)) w->setToolTip(Utf8(text));
}

std::string ControlToolTip(int number) {
    QWidget *w = ControlWidget(number);
    if (!w) return {};
    const QByteArray bytes = w->toolTip().toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void ActivateControl(int number, int state) {
    QWidget *w = ControlWidget(number);
    if (!w || !w->isEnabled() || w->isHidden()) return;
    if (auto *b = qobject_cast<QPushButton *>(w)) {
        b->click();
    } else if (auto *c = qobject_cast<QCheckBox *>(w)) {
        if (c->isChecked() != (state != 0)) c->click();
    } else if (auto *d = qobject_cast<QComboBox *>(w)) {
        if (state < 0 || state >= d->count()) return;
        d->setCurrentIndex(state);
        emit d->activated(state);
    } else if (auto *l = qobject_cast<QListWidget *>(w)) {
        if (state < 0 || state >= l->count()) return;
        l->setProperty("hxProgramChange", true);
        l->setCurrentRow(state);
        l->setProperty("hxProgramChange", false);
        emit l->itemClicked(l->item(state));
    } else if (auto *s = qobject_cast<QSpinBox *>(w)) {
        s->setValue(state);
    } else if (auto *e = qobject_cast<QLineEdit *>(w)) {
        emit e->returnPressed();
    }
}

}  // namespace hx
