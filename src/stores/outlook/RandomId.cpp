#include "stores/outlook/RandomId.h"

#include <openssl/rand.h>

#include <array>
#include <random>

#include <fmt/format.h>

namespace korvi::outlook {

namespace {

std::array<unsigned char, 16> RandomBytes() {
    std::array<unsigned char, 16> bytes{};
    if (RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) != 1) {
        // The system's generator is a sound second choice for ids that need only be unique.
        std::random_device device;
        for (auto& b : bytes) b = static_cast<unsigned char>(device());
    }
    return bytes;
}

}  // namespace

std::string NewUuid() {
    auto b = RandomBytes();
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    std::string out;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        out += fmt::format("{:02x}", b[i]);
    }
    return out;
}

std::string NewHexId() {
    auto b = RandomBytes();
    std::string out;
    for (unsigned char c : b) out += fmt::format("{:02X}", c);
    return out;
}

}  // namespace korvi::outlook
