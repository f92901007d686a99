// What one run of a flow works with: the process's services, the front end that started it,
// and the settings as the front end holds them (the window's controls, or the stored settings
// with the command line's options over them). The PBX connection values come from here.
#pragma once

#include "app/KorviSettings.h"

namespace korvi {
class Services;
}

namespace korvi::flows {

class FrontEnd;

struct FlowContext {
    Services& services;
    FrontEnd& frontEnd;
    KorviSettings settings;
};

}  // namespace korvi::flows
