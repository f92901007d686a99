#include "stores/outlook/VcfAddressBook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <system_error>
#include <vector>

#include <fmt/format.h>

#include "app/AppPaths.h"
#include "app/Clock.h"
#include "app/Log.h"
#include "stores/outlook/FolderIds.h"
#include "stores/outlook/VcfCards.h"

namespace korvi::outlook {

namespace fs = std::filesystem;

namespace {

const SystemClock kSystemClock;

enum class Layout { kOwnTree, kCollection, kStorage };

// A folder as the file system knows it, to tell a folder met again through a symbolic link.
struct DirId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const DirId&) const = default;
};

std::optional<DirId> IdOfDir(const fs::path& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return DirId{st.st_dev, st.st_ino};
}

bool IsCardName(const std::string& name) {
    return name.size() > 4 && name[0] != '.' && EqualsNoCase(name.substr(name.size() - 4), ".vcf");
}

struct DirListing {
    std::vector<std::string> folders;  // not hidden, sorted
    bool hasCards = false;
};

DirListing ListDir(const fs::path& dir) {
    DirListing listing;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code e2;
        if (it->is_directory(e2)) {
            listing.folders.push_back(std::move(name));
        } else if (IsCardName(name) && it->is_regular_file(e2)) {
            listing.hasCards = true;
        }
    }
    if (ec)
        throw OlError(fmt::format("{}: cannot list the folder: {}", dir.string(), ec.message()));
    std::sort(listing.folders.begin(), listing.folders.end());
    return listing;
}

Layout DetectLayout(const fs::path& root, bool ownTree) {
    if (ownTree) return Layout::kOwnTree;
    std::error_code ec;
    if (!fs::is_directory(root, ec))
        throw OlError(fmt::format("{}: the address book folder does not exist", root.string()));
    const DirListing listing = ListDir(root);
    if (listing.hasCards) return Layout::kCollection;
    const auto& f = listing.folders;
    if (std::find(f.begin(), f.end(), kDefaultStoreName) != f.end()) return Layout::kOwnTree;
    return f.empty() ? Layout::kCollection : Layout::kStorage;
}

std::string NameOf(const fs::path& dir) {
    std::string name = dir.filename().string();
    return name.empty() ? std::string("/") : name;
}

class VcfFolder;

// The subfolders of a folder, or (depth 1) the stores below the root. A folder met again
// through a symbolic link to one of its own parents is left out: the tree stays finite.
class VcfFolders final : public OlFolders {
public:
    VcfFolders(std::shared_ptr<VcfSession> session, fs::path dir, std::string path, int childDepth,
               std::vector<DirId> chain, std::optional<std::string> only)
        : m_session(std::move(session)),
          m_dir(std::move(dir)),
          m_path(std::move(path)),
          m_childDepth(childDepth),
          m_chain(std::move(chain)),
          m_only(std::move(only)) {}

    int Count() override;
    std::shared_ptr<OlMAPIFolder> Item(int index) override;
    std::shared_ptr<OlMAPIFolder> Add(const std::string& name, int type) override;

private:
    void List();
    std::shared_ptr<VcfFolder> Make(const std::string& name, DirId id);

    std::shared_ptr<VcfSession> m_session;
    fs::path m_dir;
    std::string m_path;  // FolderPath of the parent; "\\" for the root
    int m_childDepth;
    std::vector<DirId> m_chain;  // the folders from the top down to m_dir
    // Only this child (the collection that the setting names, below its storage folder).
    std::optional<std::string> m_only;
    bool m_listed = false;
    std::vector<std::shared_ptr<VcfFolder>> m_folders;
};

class VcfFolder final : public OlMAPIFolder {
public:
    VcfFolder(std::shared_ptr<VcfSession> session, fs::path dir, std::string name,
              std::string folderPath, int depth, std::vector<DirId> chain,
              std::optional<std::string> only = std::nullopt)
        : m_session(session),
          m_dir(dir),
          m_name(name),
          m_folderPath(folderPath),
          m_depth(depth),
          m_folders(session, dir, folderPath, depth + 1, std::move(chain), std::move(only)),
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
        if (m_entryId.empty()) m_entryId = m_session->folderIds.IdOf(m_dir);
        return m_entryId;
    }
    OlFolders& Folders() override { return m_folders; }
    OlItems& Items() override { return m_items; }

private:
    std::shared_ptr<VcfSession> m_session;
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
    for (const auto& name : ListDir(m_dir).folders) {
        if (m_only && name != *m_only) continue;
        const std::optional<DirId> id = IdOfDir(m_dir / name);
        if (!id) continue;
        if (std::find(m_chain.begin(), m_chain.end(), *id) != m_chain.end()) {
            WriteLog("LOG: OUTLOOK: %s leads back to a folder above it - not listed",
                     (m_dir / name).string());
            continue;
        }
        m_folders.push_back(Make(name, *id));
    }
}

std::shared_ptr<VcfFolder> VcfFolders::Make(const std::string& name, DirId id) {
    std::string path = m_path == "\\\\" ? m_path + name : m_path + "\\" + name;
    std::vector<DirId> chain = m_chain;
    chain.push_back(id);
    return std::make_shared<VcfFolder>(m_session, m_dir / name, name, std::move(path), m_childDepth,
                                       std::move(chain));
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
    if (m_only)
        throw OlError(fmt::format(
            "{}: the address book folder is one collection; a folder can be made in it, not "
            "beside it",
            (m_dir / *m_only).string()));
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
    const std::optional<DirId> id = IdOfDir(dir);
    if (!id) throw OlError(fmt::format("{}: cannot read the new folder", dir.string()));
    auto folder = Make(name, *id);
    m_folders.push_back(folder);
    return folder;
}

// The top of a tree that is not the program's own: one store, the storage folder.
class OneStore final : public OlFolders {
public:
    explicit OneStore(std::shared_ptr<VcfFolder> store) : m_store(std::move(store)) {}
    int Count() override { return 1; }
    std::shared_ptr<OlMAPIFolder> Item(int index) override {
        if (index != 1) throw OlError(fmt::format("Array index out of bounds: {} of 1", index));
        return m_store;
    }
    std::shared_ptr<OlMAPIFolder> Add(const std::string&, int) override {
        throw OlError("A store cannot be added to the address book here.");
    }

private:
    std::shared_ptr<VcfFolder> m_store;
};

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
    VcfNameSpace(std::shared_ptr<VcfSession> session, Layout layout)
        : m_session(std::move(session)), m_layout(layout) {
        const fs::path& root = m_session->root;
        const std::vector<DirId> rootChain = ChainOf({root});
        if (layout == Layout::kOwnTree) {
            m_folders =
                std::make_unique<VcfFolders>(m_session, root, "\\\\", 1, rootChain, std::nullopt);
            return;
        }
        // A collection shows below its storage folder, as it would if the setting named that.
        const fs::path storage = layout == Layout::kStorage ? root : root.parent_path();
        std::optional<std::string> only;
        if (layout == Layout::kCollection) only = NameOf(root);
        const std::string name = NameOf(storage);
        m_store = std::make_shared<VcfFolder>(m_session, storage, name, "\\\\" + name, 1,
                                              ChainOf({storage}), only);
        m_folders = std::make_unique<OneStore>(m_store);
    }

    OlFolders& Folders() override { return *m_folders; }

    std::shared_ptr<OlMAPIFolder> GetDefaultFolder(int folderType) override {
        if (folderType != olFolderContacts)
            throw OlError(fmt::format("There is no default folder of type {}.", folderType));
        if (m_layout == Layout::kOwnTree) return OwnDefaultFolder();
        // The collection the setting names, or the only one of its storage.
        OlFolders& collections = m_store->Folders();
        const int count = collections.Count();
        if (count == 1) return collections.Item(1);
        std::string names;
        for (int i = 1; i <= count; ++i) names += (i > 1 ? ", " : "") + collections.Item(i)->Name();
        throw OlError(fmt::format("{} holds {} address books ({}): choose one of them",
                                  m_session->root.string(), count, names));
    }

    std::shared_ptr<OlMAPIFolder> GetFolderFromID(const std::string& entryId) override {
        auto found = FindById(*m_folders, entryId);
        if (!found) throw OlError(fmt::format("No folder has the id {}.", entryId));
        return found;
    }

private:
    static std::vector<DirId> ChainOf(const std::vector<fs::path>& dirs) {
        std::vector<DirId> chain;
        for (const auto& dir : dirs)
            if (auto id = IdOfDir(dir)) chain.push_back(*id);
        return chain;
    }

    std::shared_ptr<OlMAPIFolder> OwnDefaultFolder() {
        const fs::path& root = m_session->root;
        const fs::path dir = root / kDefaultStoreName / kDefaultContactsName;
        std::error_code ec;
        if (m_session->ownTree) {
            fs::create_directories(dir, ec);
            if (ec)
                throw OlError(fmt::format("{}: cannot create the default contacts folder: {}",
                                          dir.string(), ec.message()));
        } else if (!fs::is_directory(dir, ec)) {
            throw OlError(
                fmt::format("{}: the default contacts folder does not exist", dir.string()));
        }
        return std::make_shared<VcfFolder>(
            m_session, dir, kDefaultContactsName,
            std::string("\\\\") + kDefaultStoreName + "\\" + kDefaultContactsName, 2,
            ChainOf({root, root / kDefaultStoreName, dir}));
    }

    std::shared_ptr<VcfSession> m_session;
    Layout m_layout;
    std::shared_ptr<VcfFolder> m_store;  // the one store of a tree that is not our own
    std::unique_ptr<OlFolders> m_folders;
};

class VcfApplication final : public OlApplication {
public:
    explicit VcfApplication(std::shared_ptr<VcfSession> session)
        : m_session(session), m_ns(session, PrepareRoot(*session)) {}

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
    // Our own tree gets its default contacts folder; any other is taken as it is.
    static Layout PrepareRoot(const VcfSession& session) {
        if (session.ownTree) {
            std::error_code ec;
            fs::create_directories(session.root / kDefaultStoreName / kDefaultContactsName, ec);
            if (ec)
                WriteLog("ERR: OUTLOOK: Cannot create the default contacts folder in %s: %s",
                         session.root.string(), ec.message());
        }
        return DetectLayout(session.root, session.ownTree);
    }

    std::shared_ptr<VcfSession> m_session;
    VcfNameSpace m_ns;
};

}  // namespace

fs::path DefaultAddressBookDir() { return DataFolder() / "addressbook"; }

fs::path DefaultFolderIdsFile() { return DataFolder() / "folder-ids"; }

std::unique_ptr<OlApplication> ConnectVcfAddressBook(const VcfAddressBookOptions& options) {
    if (options.root.empty()) throw OlError("No address book folder is set.");
    const Clock& clock = options.clock ? *options.clock : kSystemClock;
    fs::path backups = options.backupsRoot.empty() ? BackupsFolder() : options.backupsRoot;
    fs::path ids = options.folderIds.empty() ? DefaultFolderIdsFile() : options.folderIds;
    // "/home/me/contacts/" names the same folder as "/home/me/contacts", also in folder paths.
    fs::path root = options.root.lexically_normal();
    if (!root.has_filename() && root != root.root_path()) root = root.parent_path();
    fs::path ownDefault = DefaultAddressBookDir().lexically_normal();
    if (!ownDefault.has_filename()) ownDefault = ownDefault.parent_path();
    auto session =
        std::make_shared<VcfSession>(root, CardBackup(backups, clock), FolderIds(std::move(ids)));
    session->ownTree = options.ownTree || root == ownDefault;
    return std::make_unique<VcfApplication>(std::move(session));
}

}  // namespace korvi::outlook
