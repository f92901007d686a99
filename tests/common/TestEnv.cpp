#include "common/TestEnv.h"

#include <stdlib.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace korvi::test {

namespace {
std::filesystem::path CreateRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvi-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}
}  // namespace

const std::filesystem::path& TempRoot() {
    static const std::filesystem::path root = CreateRoot();
    return root;
}

std::filesystem::path MakeTempDir(const std::string& name) {
    static std::atomic<int> counter{0};
    auto dir = TempRoot() / (name + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    return dir;
}

bool FixturesPresent() {
    std::error_code ec;
    return std::filesystem::is_directory(FixturesDir(), ec);
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace korvi::test
