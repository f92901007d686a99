// User-facing texts by numeric id, with the placeholders [PARTNER], [NAME] and [NUMBER].
#pragma once

#include <string>
#include <string_view>

#include "app/TextIds.h"

namespace korvi {

inline constexpr char kAppName[] = "Korvi Communicator";
inline constexpr char kAppVersion[] = "1.1.17";
inline constexpr int kTextCount = 194;

// Fills out with the text of id and its placeholders; returns 0, or -1 when the id is unknown
// (out is then "Unk") or a non-empty value found no placeholder of its kind.
int GetText(int id, std::string_view partner, std::string_view name, std::string_view number1,
            std::string_view number2, std::string& out);

// The filled text alone, for callers that do not look at the result.
std::string Text(int id, std::string_view partner = {}, std::string_view name = {},
                 std::string_view number1 = {}, std::string_view number2 = {});

// 0 English; other tables may be added later with the same ids.
void SetLanguageIndex(unsigned index);
unsigned LanguageIndex();

}  // namespace korvi
