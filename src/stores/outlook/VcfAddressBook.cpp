#include "stores/outlook/VcfAddressBook.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "app/Log.h"
#include "stores/outlook/FolderEntryId.h"
#include "stores/outlook/VcfCards.h"

namespace korvi::outlook {

namespace fs = std::filesystem;

namespace {

const SystemClock kSystemClock;

class VcfFolder;

// The subfolders of a folder, or (depth 1) the stores below the root.
class VcfFolders final : public OlFolders {
public:
    VcfFolders(std::shared_ptr<VcfSession> session, fs::path dir, std::string path, int childDepth)
        : m_session(std::move(session)),
          m_dir(std::move(dir)),
          m_path(std::move(path)),
          m_childDepth(childDepth) {}

    int Count() override;
    std::shared_ptr<OlMAPIFolder> Item(int index) override;
    std::shared_ptr<OlMAPIFolder> Add(const std::string& name, int type) override;

private:
    void List();
    std::shared_ptr<VcfFolder> Make(const std::string& name);

    std::shared_ptr<VcfSession> m_session;
    fs::path m_dir;
    std::string m_path;  // FolderPath of the parent; "\\" for the root
    int m_childDepth;
    bool m_listed = false;
    std::vector<std::shared_ptr<VcfFolder>> m_folders;
};

class VcfFolder final : public OlMAPIFolder {
public:
    VcfFolder(std::shared_ptr<VcfSession> session, fs::path dir, std::string name,
              std::string folderPath, int depth)
        : m_dir(dir),
          m_name(name),
          m_folderPath(folderPath),
          m_depth(depth),
          m_folders(session, dir, folderPath, depth + 1),
          m_cards(std::make_shared<VcfFolderCards>()),
          m_items(m_cards, depth >= 2) {
        m_cards->session = std::move(session);
        m_cards->dir = std::move(dir);
        m_cards->folderName = std::move(name);
    }

    std::string Name() override { return m_name; }
    // A store holds folders, not contacts; every folder below a store holds contacts.
    int DefaultItemType() override { return m_depth >= 2 ? olContactItem : 0; }
    std::string FolderPath() override { return m_folderPath; }
    std::string EntryID() override {
        if (m_entryId.empty()) m_entryId = FolderEntryId(m_dir);
        return m_entryId;
    }
    OlFolders& Folders() override { return m_folders; }
    OlItems& Items() override { return m_items; }

private:
    fs::path m_dir;
    std::string m_name;
    std::string m_folderPath;
    int m_depth;
    std::string m_entryId;
    VcfFolders m_folders;
    std::shared_ptr<VcfFolderCards> m_cards;
    VcfItems m_items;
};

void VcfFolders::List() {
    m_listed = true;
    m_folders.clear();
    std::error_code ec;
    if (!fs::exists(m_dir, ec)) return;
    std::vector<std::string> names;
    for (fs::directory_iterator it(m_dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code e2;
        if (!name.empty() && name[0] != '.' && it->is_directory(e2))
            names.push_back(std::move(name));
    }
    if (ec)
        throw OlError(fmt::format("{}: cannot list the folder: {}", m_dir.string(), ec.message()));
    std::sort(names.begin(), names.end());
    for (const auto& name : names) m_folders.push_back(Make(name));
}

std::shared_ptr<VcfFolder> VcfFolders::Make(const std::string& name) {
    std::string path = m_path == "\\\\" ? m_path + name : m_path + "\\" + name;
    return std::make_shared<VcfFolder>(m_session, m_dir / name, name, std::move(path),
                                       m_childDepth);
}

int VcfFolders::Count() {
    if (!m_listed) List();
    return static_cast<int>(m_folders.size());
}

std::shared_ptr<OlMAPIFolder> VcfFolders::Item(int index) {
    const int count = Count();
    if (index < 1 || index > count)
        throw OlError(fmt::format("Array index out of bounds: {} of {}", index, count));
    return m_folders[index - 1];
}

bool ValidFolderName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name[0] == '.') return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

std::shared_ptr<OlMAPIFolder> VcfFolders::Add(const std::string& name, int type) {
    if (m_childDepth < 2) throw OlError("A store cannot be added to the address book here.");
    if (type != olFolderContacts) throw OlError("Only contacts folders can be added.");
    if (!ValidFolderName(name)) throw OlError(fmt::format("Invalid folder name: {}", name));
    if (!m_listed) List();
    std::error_code ec;
    const fs::path dir = m_dir / name;
    if (!fs::create_directory(dir, ec)) {
        if (ec)
            throw OlError(
                fmt::format("{}: cannot create the folder: {}", dir.string(), ec.message()));
        throw OlError(fmt::format("{}: a folder with that name exists already", dir.string()));
    }
    auto folder = Make(name);
    m_folders.push_back(folder);
    return folder;
}

std::shared_ptr<OlMAPIFolder> FindById(OlFolders& folders, const std::string& id) {
    const int count = folders.Count();
    for (int i = 1; i <= count; ++i) {
        auto folder = folders.Item(i);
        if (folder->EntryID() == id) return folder;
        if (auto found = FindById(folder->Folders(), id)) return found;
    }
    return nullptr;
}

class VcfNameSpace final : public OlNameSpace {
public:
    explicit VcfNameSpace(std::shared_ptr<VcfSession> session)
        : m_session(session), m_folders(session, session->root, "\\\\", 1) {}

    OlFolders& Folders() override { return m_folders; }

    std::shared_ptr<OlMAPIFolder> GetDefaultFolder(int folderType) override {
        if (folderType != olFolderContacts)
            throw OlError(fmt::format("There is no default folder of type {}.", folderType));
        const fs::path dir = m_session->root / kDefaultStoreName / kDefaultContactsName;
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
            throw OlError(fmt::format("{}: cannot create the default contacts folder: {}",
                                      dir.string(), ec.message()));
        return std::make_shared<VcfFolder>(
            m_session, dir, kDefaultContactsName,
            std::string("\\\\") + kDefaultStoreName + "\\" + kDefaultContactsName, 2);
    }

    std::shared_ptr<OlMAPIFolder> GetFolderFromID(const std::string& entryId) override {
        auto found = FindById(m_folders, entryId);
        if (!found) throw OlError(fmt::format("No folder has the id {}.", entryId));
        return found;
    }

private:
    std::shared_ptr<VcfSession> m_session;
    VcfFolders m_folders;
};

class VcfApplication final : public OlApplication {
public:
    explicit VcfApplication(std::shared_ptr<VcfSession> session)
        : m_session(session), m_ns(session) {
        std::error_code ec;
        fs::create_directories(m_session->root / kDefaultStoreName / kDefaultContactsName, ec);
        if (ec)
            WriteLog("ERR: OUTLOOK: Cannot create the default contacts folder in %s: %s",
                     m_session->root.string(), ec.message());
    }

    ~VcfApplication() override {
        if (!m_session->newFilesUnsynced) return;
        int fd = ::open(m_session->root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::syncfs(fd) != 0)
            WriteLog("ERR: OUTLOOK: Could not sync the new cards in %s: %s",
                     m_session->root.string(), std::strerror(errno));
        if (fd >= 0) ::close(fd);
    }

    std::string Version() override { return kAddressBookVersion; }

    OlNameSpace& GetNamespace(const std::string& type) override {
        if (type != "MAPI") throw OlError(fmt::format("Unknown name space {}.", type));
        return m_ns;
    }

private:
    std::shared_ptr<VcfSession> m_session;
    VcfNameSpace m_ns;
};

}  // namespace

fs::path DefaultAddressBookDir() { return DataFolder() / "addressbook"; }

std::unique_ptr<OlApplication> ConnectVcfAddressBook(const VcfAddressBookOptions& options) {
    if (options.root.empty()) throw OlError("No address book folder is set.");
    const Clock& clock = options.clock ? *options.clock : kSystemClock;
    fs::path backups = options.backupsRoot.empty() ? BackupsFolder() : options.backupsRoot;
    auto session = std::make_shared<VcfSession>(options.root, CardBackup(backups, clock));
    return std::make_unique<VcfApplication>(std::move(session));
}

}  // namespace korvi::outlook
