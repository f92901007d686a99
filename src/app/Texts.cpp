#include "app/Texts.h"

#include <array>
#include <atomic>

#include "app/TextTable.h"

namespace korvi {

namespace {

// Indexed by language; English is the only table shipped.
const std::array<const TextTable*, 1> kTables = {&kEnglishTexts};

std::atomic<unsigned> g_languageIndex{0};

// Replaces the first occurrence of placeholder with value; false when there is none.
bool FillPlaceholder(std::string& text, std::string_view placeholder, std::string_view value) {
    const auto pos = text.find(placeholder);
    if (pos == std::string::npos) return false;
    text.replace(pos, placeholder.size(), value);
    return true;
}

}  // namespace

void SetLanguageIndex(unsigned index) { g_languageIndex.store(index, std::memory_order_relaxed); }

unsigned LanguageIndex() { return g_languageIndex.load(std::memory_order_relaxed); }

int GetText(int id, std::string_view partner, std::string_view name, std::string_view number1,
            std::string_view number2, std::string& out) {
    out = "Unk";
    const unsigned language = LanguageIndex();
    if (language >= kTables.size()) return -1;
    const TextTable& table = *kTables[language];
    bool found = false;
    for (std::size_t i = 0; i < table.count; ++i) {
        if (table.entries[i].id == id) {
            out = table.entries[i].text;
            found = true;
        }
    }
    if (!found) return -1;

    int result = 0;
    // Fixed order: each step works on the text as the step before left it, so a value that
    // itself holds a placeholder can be filled by a later step.
    if (!partner.empty() && !FillPlaceholder(out, "[PARTNER]", partner)) result = -1;
    if (!name.empty() && !FillPlaceholder(out, "[NAME]", name)) result = -1;
    if (!number1.empty() && !FillPlaceholder(out, "[NUMBER]", number1)) result = -1;
    if (!number2.empty() && !FillPlaceholder(out, "[NUMBER]", number2)) result = -1;
    return result;
}

std::string Text(int id, std::string_view partner, std::string_view name, std::string_view number1,
                 std::string_view number2) {
    std::string out;
    // Callers of this form use the text whatever the result, as every caller of GetText does.
    static_cast<void>(GetText(id, partner, name, number1, number2, out));
    return out;
}

}  // namespace korvi
