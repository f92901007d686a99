// Another CardDAV client on the same address book: a vdirsyncer pair between the address book
// and a folder of card files, as a user of that program would set it up.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace korvi::test {

class VdirsyncerPair {
public:
    // The pair's configuration and status in a new temporary folder; cards go to local().
    VdirsyncerPair(const std::string& collectionUrl, const std::string& user,
                   const std::string& password);

    static bool Installed();
    // `vdirsyncer -c CONFIG command`: its exit code and output.
    std::pair<int, std::string> Run(const std::string& command) const;

    const std::filesystem::path& local() const { return m_local; }
    // The card files of local(), by name.
    std::vector<std::filesystem::path> CardFiles() const;
    // Every card file's text, one after the other.
    std::string AllCards() const;

private:
    std::filesystem::path m_config;
    std::filesystem::path m_local;
};

}  // namespace korvi::test
