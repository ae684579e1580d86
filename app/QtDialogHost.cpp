#include "app/QtDialogHost.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleFactory>

#include "app/ModalDialog.h"

namespace app {

namespace {
constexpr const char* kAllLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

DialogBaseUnits baseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return {averageCharWidth(metrics.horizontalAdvance(QString::fromLatin1(kAllLetters))),
            metrics.height()};
}

// A caption with a system menu means a close box and nothing else: no help, no resizing.
Qt::WindowFlags windowFlagsFor(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if (style & kCaption) flags |= Qt::WindowTitleHint;
    if (style & kSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    return flags;
}

QRect pixelRect(const DialogBaseUnits& units, const DialogRect& rect) {
    return {units.toPixelsX(rect.x), units.toPixelsY(rect.y), units.toPixelsX(rect.width),
            units.toPixelsY(rect.height)};
}

// Qt sizes a message box to its text, and the window manager then cuts a longer caption
// short. Its title font is the window manager's, unknown here: the box leaves room for
// the caption in a bold font half again as large as its own, beside four title-bar buttons.
void makeRoomForCaption(QMessageBox& box) {
    QFont title = box.font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.5);
    const QFontMetrics metrics(title);
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 4 * metrics.height();
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}
}  // namespace

void useClassicStyle(QApplication& application) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) {
        application.setStyle(style);
    }
}

// The dialog window: routes close requests, Escape and button presses to the dialog
// object the way the platform's dialog manager does. It ends only through endDialog.
class QtDialogHost::Window final : public QDialog {
public:
    explicit Window(ModalDialog& dialog) : dialog_(dialog) {}

    void end(int result) {
        ending_ = true;
        done(result);
    }
    bool ending() const { return ending_; }
    void command(int id) { dialog_.dispatch(kMsgCommand, static_cast<std::uintptr_t>(id), 0); }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (!ending_) dialog_.dispatch(kMsgClose, 0, 0);
        event->setAccepted(ending_);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            command(kIdCancel);
            return;
        }
        QDialog::keyPressEvent(event);
    }
    // QDialog rejects on its own in a few places; here that is the Escape command.
    void reject() override { command(kIdCancel); }

private:
    ModalDialog& dialog_;
    bool ending_ = false;
};

QtDialogHost::QtDialogHost() {
    calls().setWake([this] {
        QMetaObject::invokeMethod(
            &waker_, [this] { calls().runPending(); }, Qt::QueuedConnection);
    });
}

QtDialogHost::~QtDialogHost() { calls().close(); }

QDialog* QtDialogHost::window() const { return window_.get(); }

int QtDialogHost::runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) {
    window_ = std::make_unique<Window>(dialog);
    Window& window = *window_;
    window.setWindowFlags(windowFlagsFor(dialogTemplate.style));
    window.setWindowTitle(QString::fromLatin1(dialogTemplate.title));
    window.setObjectName(QString::fromLatin1(dialogTemplate.name));
    QFont font(QString::fromLatin1(dialogTemplate.fontFace), dialogTemplate.fontPoints);
    font.setStyleHint(QFont::SansSerif);
    window.setFont(font);
    const DialogBaseUnits units = baseUnitsOf(window.font());
    window.setFixedSize(units.toPixelsX(dialogTemplate.width),
                        units.toPixelsY(dialogTemplate.height));
    window.setSizeGripEnabled(false);
    buildControls(dialogTemplate);

    dialog.dispatch(kMsgInitDialog, 0, 0);
    int result = 0;
    if (window.ending()) {
        result = window.result();
    } else {
        if (onShow_) onShow_(window);
        result = window.exec();
    }
    items_.clear();
    fields_.clear();
    window_.reset();
    return result;
}

void QtDialogHost::buildControls(const DialogTemplate& dialogTemplate) {
    Window& window = *window_;
    const DialogBaseUnits units = baseUnitsOf(window.font());
    QWidget* previousStop = nullptr;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        const QString text = QString::fromLatin1(control.text);
        QWidget* widget = nullptr;
        switch (control.kind) {
            case ControlKind::StaticText: {
                auto* label = new QLabel(text, &window);
                const Qt::Alignment side =
                    (control.style & kAlignRight) ? Qt::AlignRight : Qt::AlignLeft;
                label->setAlignment(side | Qt::AlignTop);
                widget = label;
                break;
            }
            case ControlKind::EditBox: {
                auto* edit = new QLineEdit(text, &window);
                edit->setFrame((control.style & kBorder) != 0);
                edit->setReadOnly((control.style & kReadOnly) != 0);
                widget = edit;
                break;
            }
            case ControlKind::PushButton: {
                auto* button = new QPushButton(text, &window);
                button->setDefault((control.style & kDefaultButton) != 0);
                button->setAutoDefault(true);
                const int id = control.id;
                QObject::connect(button, &QPushButton::clicked, &window,
                                 [&window, id] { window.command(id); });
                widget = button;
                break;
            }
            case ControlKind::GroupBox: {
                auto* group = new QGroupBox(text, &window);
                // A frame drawn behind the controls, as transparent to the mouse as the
                // platform's group boxes.
                group->setAttribute(Qt::WA_TransparentForMouseEvents);
                group->lower();
                widget = group;
                break;
            }
        }
        widget->setGeometry(pixelRect(units, control.rect));
        if (*control.accessibleName) {
            widget->setAccessibleName(QString::fromLatin1(control.accessibleName));
        }
        if (control.style & kTabStop) {
            widget->setFocusPolicy(Qt::StrongFocus);
            if (previousStop)
                QWidget::setTabOrder(previousStop, widget);
            else
                widget->setFocus();  // the first tab stop has the focus at start
            previousStop = widget;
        } else {
            widget->setFocusPolicy(Qt::NoFocus);
        }
        if (control.id != kIdNone) items_[control.id] = widget;
        if (control.id != kIdNone && control.kind == ControlKind::StaticText)
            fields_[control.id] = widget->geometry();
    }
}

void QtDialogHost::endDialog(int result) {
    if (!window_) return;
    // A box still open holds a nested loop that the dialog's loop cannot leave before it.
    for (QMessageBox* box : boxes_) box->done(QMessageBox::Ok);
    window_->end(result);
}

QWidget* QtDialogHost::item(int id) const {
    const auto found = items_.find(id);
    return found == items_.end() ? nullptr : found->second;
}

std::string QtDialogHost::itemText(int id, std::size_t maxChars) {
    QString text;
    if (auto* edit = qobject_cast<QLineEdit*>(item(id)))
        text = edit->text();
    else if (auto* label = qobject_cast<QLabel*>(item(id)))
        text = label->text();
    std::string bytes = text.toLatin1().toStdString();
    if (bytes.size() > maxChars) bytes.resize(maxChars);
    return bytes;
}

void QtDialogHost::setItemText(int id, const std::string& text) {
    const QString value = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    if (auto* edit = qobject_cast<QLineEdit*>(item(id))) {
        edit->setText(value);
        edit->setCursorPosition(0);
    } else if (auto* label = qobject_cast<QLabel*>(item(id))) {
        label->setText(value);
        // A number is shown whole: a text wider than its field widens the field into the
        // free space on its right, and the field comes back, with the text aligned in it,
        // once the text fits again.
        QRect field = fields_[id];
        field.setWidth(std::max(field.width(), label->fontMetrics().horizontalAdvance(value)));
        label->setGeometry(field);
    }
}

void QtDialogHost::enableItem(int id, bool enabled) {
    if (QWidget* widget = item(id)) widget->setEnabled(enabled);
}

bool QtDialogHost::itemEnabled(int id) {
    QWidget* widget = item(id);
    return widget && widget->isEnabled();
}

void QtDialogHost::messageBox(BoxOwner owner, const std::string& text, const std::string& caption,
                              BoxIcon icon, const std::string& details) {
    QWidget* parent = owner == BoxOwner::Dialog ? window_.get() : nullptr;
    QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromLatin1(caption.c_str()), QString::fromLatin1(text.c_str()),
                    QMessageBox::Ok, parent);
    if (!details.empty()) box.setInformativeText(QString::fromLatin1(details.c_str()));
    makeRoomForCaption(box);
    boxes_.push_back(&box);
    box.exec();
    std::erase(boxes_, &box);
}

}  // namespace app
