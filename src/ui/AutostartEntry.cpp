#include "ui/AutostartEntry.h"

#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "app/AppPaths.h"
#include "app/AtomicFile.h"

namespace korvi::ui {

namespace {

constexpr char kEntryName[] = "korvi-communicator.desktop";

// A path as one argument of an Exec key: quoted when it holds a character that the desktop
// entry rules reserve, with the quoting escapes; then the escapes of a string value and the
// doubled percent sign of a field code.
std::string ExecArgument(std::string_view path) {
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    if (path.find_first_of(kReserved) == std::string_view::npos) {
        argument = path;
    } else {
        argument = "\"";
        for (const char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    std::string value;
    for (const char c : argument) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else if (c == '\n') {
            value += "\\n";
        } else {
            value += c;
        }
    }
    return value;
}

bool ReadWhole(const std::filesystem::path& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

std::filesystem::path AutostartFilePath() { return ConfigFolder() / "autostart" / kEntryName; }

std::string AutostartEntryText(const std::filesystem::path& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Korvi Communicator\n"
           "Comment=Keep the phonebook of your IP PBX in step with your personal contacts\n"
           "Exec=" +
           ExecArgument(program.string()) +
           "\n"
           "Icon=korvi-communicator\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool CreateAutostartEntry(const std::filesystem::path& program, std::string& error) {
    error.clear();
    const auto file = AutostartFilePath();
    const std::string text = AutostartEntryText(program);
    std::string existing;
    if (ReadWhole(file, existing) && existing == text) return true;
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    if (ec) {
        error = file.parent_path().string() + ": " + ec.message();
        return false;
    }
    return WriteFileAtomically(file, text, error);
}

bool DeleteAutostartEntry(std::string& error) {
    error.clear();
    const auto file = AutostartFilePath();
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (ec) {
        error = file.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace korvi::ui
