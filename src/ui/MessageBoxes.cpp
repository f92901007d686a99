#include "ui/MessageBoxes.h"

#include <QMessageBox>

#include "app/Texts.h"

namespace korvi::ui {

namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
    switch (kind) {
        case MessageKind::kInformation:
            return QMessageBox::Information;
        case MessageKind::kWarning:
            return QMessageBox::Warning;
        case MessageKind::kError:
            return QMessageBox::Critical;
        case MessageKind::kPlain:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QMessageBox* ShowMessage(QWidget* parent, MessageKind kind, const QString& text,
                         std::function<void()> then) {
    auto* box =
        new QMessageBox(IconOf(kind), QString::fromUtf8(kAppName), text, QMessageBox::Ok, parent);
    box->setObjectName("messageBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(box, &QMessageBox::finished, box, [then = std::move(then)](int) {
        if (then) then();
    });
    box->open();
    return box;
}

QMessageBox* AskOkCancel(QWidget* parent, const QString& caption, const QString& text,
                         std::function<void(bool ok)> then) {
    auto* box = new QMessageBox(QMessageBox::Warning, caption, text,
                                QMessageBox::Ok | QMessageBox::Cancel, parent);
    box->setObjectName("confirmBox");
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, box, [box, then = std::move(then)](int) {
        const bool ok = box->clickedButton() == box->button(QMessageBox::Ok);
        if (then) then(ok);
    });
    box->open();
    return box;
}

}  // namespace korvi::ui
