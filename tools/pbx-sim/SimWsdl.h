// The service description served at "/?wsdl" (tools/pbx-sim/ippbx.wsdl, built in).
#pragma once

#include <string>
#include <string_view>

namespace korvi::sim {

std::string_view WsdlText();
// The description with every port's address set to serviceUrl.
std::string WsdlFor(std::string_view serviceUrl);

}  // namespace korvi::sim
