// The window's message boxes, opened with open() so the GUI thread never waits in a nested
// event loop: what follows the box runs in its callback. The title is the application's name
// unless a caption is given.
#pragma once

#include <functional>

#include <QString>

class QMessageBox;
class QWidget;

namespace korvi::ui {

enum class MessageKind { kInformation, kWarning, kError, kPlain };

QMessageBox* ShowMessage(QWidget* parent, MessageKind kind, const QString& text,
                         std::function<void()> then = {});

// Warning icon, OK and Cancel; then(true) on OK. Closing the box any other way is Cancel.
QMessageBox* AskOkCancel(QWidget* parent, const QString& caption, const QString& text,
                         std::function<void(bool ok)> then);

}  // namespace korvi::ui
