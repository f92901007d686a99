#include "flows/FrontEnd.h"

namespace korvi::flows {

std::string FailureText(const Result& result) {
    return result.text + " (Error Code " + std::to_string(result.code) + ")";
}

}  // namespace korvi::flows
