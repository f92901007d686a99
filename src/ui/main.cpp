// korvi-communicator: the desktop window and tray of Korvi Communicator.
#include <QApplication>

#include "app/SettingsRegistry.h"
#include "services/Services.h"
#include "ui/AppIcon.h"
#include "ui/MainWindow.h"
#include "ui/TerminationSignals.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("KorviCommunicator");
    QApplication::setDesktopFileName("korvi-communicator");
    QApplication::setWindowIcon(korvi::ui::AppIcon());
    // The program lives on in the tray with no window open.
    QApplication::setQuitOnLastWindowClosed(false);

    const korvi::StartupFlags flags = korvi::GetStartupFlagsFromRegistry();
    korvi::Services services;
    services.RegisterActions();
    korvi::ui::MainWindow window(services, flags);
    // exit(), not quit(): quit() would ask the windows first, and a window in the tray only
    // hides when asked to close.
    QObject::connect(&window, &korvi::ui::MainWindow::QuitRequested, &app,
                     [] { QApplication::exit(0); });
    // The session ending ends the program as Exit does.
    korvi::ui::TerminationSignals termination;
    QObject::connect(&termination, &korvi::ui::TerminationSignals::Received, &window,
                     &korvi::ui::MainWindow::ExitProgram);
    window.StartUp();
    const int rc = QApplication::exec();
    window.Shutdown();
    return rc;
}
