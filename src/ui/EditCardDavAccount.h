// The window's way to the CardDAV account: its dialog over the window with the settings'
// account, the address books looked for on the flow thread (flows::FindAddressBooks with the
// dialog's values, which are not saved until OK), and on OK the four settings saved.
#pragma once

#include <functional>

namespace korvi::ui {

class WindowHost;

// saved runs on the GUI thread after OK, once the settings are saved; Cancel changes nothing.
void EditCardDavAccount(WindowHost& host, std::function<void()> saved = {});

}  // namespace korvi::ui
