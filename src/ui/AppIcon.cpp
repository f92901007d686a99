#include "ui/AppIcon.h"

// The resources live in the static library: they are registered before the first use. Qt's
// macro declares a function and must stand outside any namespace.
static void RegisterIconResources() { Q_INIT_RESOURCE(icons); }

namespace korvi::ui {

QIcon AppIcon() {
    static const bool registered = (RegisterIconResources(), true);
    (void)registered;  // only the registration's side effect is wanted
    QIcon icon;
    for (const int size : {16, 32, 64, 256}) {
        icon.addFile(QString(":/icons/korvi-communicator-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace korvi::ui
