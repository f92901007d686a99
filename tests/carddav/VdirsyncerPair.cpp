#include "carddav/VdirsyncerPair.h"

#include <algorithm>

#include "common/TestEnv.h"
#include "sync/SyncTestSupport.h"

namespace korvi::test {

VdirsyncerPair::VdirsyncerPair(const std::string& collectionUrl, const std::string& user,
                               const std::string& password) {
    const auto dir = MakeTempDir("vdirsyncer");
    m_local = dir / "local";
    std::filesystem::create_directories(m_local);
    m_config = dir / "config";
    WriteFile(m_config, "[general]\nstatus_path = \"" + (dir / "status").string() +
                            "/\"\n\n[pair book]\na = \"local\"\nb = \"remote\"\n"
                            "collections = null\n\n[storage local]\ntype = \"filesystem\"\n"
                            "path = \"" +
                            m_local.string() +
                            "/\"\nfileext = \".vcf\"\n\n[storage remote]\ntype = \"carddav\"\n"
                            "url = \"" +
                            collectionUrl + "\"\nusername = \"" + user + "\"\npassword = \"" +
                            password + "\"\n");
}

bool VdirsyncerPair::Installed() { return ProgramOnPathForTest("vdirsyncer"); }

std::pair<int, std::string> VdirsyncerPair::Run(const std::string& command) const {
    return RunForTest({"vdirsyncer", "-c", m_config.string(), command});
}

std::vector<std::filesystem::path> VdirsyncerPair::CardFiles() const {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(m_local))
        if (e.path().extension() == ".vcf") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::string VdirsyncerPair::AllCards() const {
    std::string all;
    for (const auto& f : CardFiles()) all += ReadFile(f);
    return all;
}

}  // namespace korvi::test
