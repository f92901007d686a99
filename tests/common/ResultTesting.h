// Results in tests: gtest prints a Result as its code and text, and CodeOf lets a check compare
// the code while the text stays at hand for the message and the checks that follow:
//   EXPECT_EQ(CodeOf(store.LoadContacts(list, stop), text), 0) << text;
#pragma once

#include <ostream>
#include <string>
#include <utility>

#include "app/Result.h"

namespace korvi {

inline void PrintTo(const Result& result, std::ostream* os) {
    *os << "{" << result.code << ", \"" << result.text << "\"}";
}

inline int CodeOf(Result result, std::string& text) {
    text = std::move(result.text);
    return result.code;
}

}  // namespace korvi
