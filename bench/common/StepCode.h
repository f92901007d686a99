// The benchmark programs check each step and print its text when it fails.
#pragma once

#include <string>
#include <utility>

#include "app/Result.h"

namespace korvi::bench {

// The code of a step; its text kept for the failure line.
inline int Code(Result result, std::string& text) {
    text = std::move(result.text);
    return result.code;
}

}  // namespace korvi::bench
