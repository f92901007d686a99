#include "stores/outlook/VcfCards.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <system_error>

#include <fmt/format.h>

#include "app/AtomicFile.h"
#include "app/Log.h"
#include "stores/outlook/RandomId.h"

namespace korvi::outlook {

namespace fs = std::filesystem;

namespace {

bool IsCardFileName(const std::string& name) {
    if (name.empty() || name[0] == '.' || name.size() < 5) return false;
    return EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".vcf");
}

std::string Reason(int err) { return std::strerror(err); }

// A card file larger than the reader takes would be skipped at the next load, and its cards
// would read as deleted: such a write is refused.
void CheckReadableSize(const fs::path& path, const std::string& text) {
    if (text.size() <= kMaxVcardFileBytes) return;
    throw OlError(fmt::format(
        "{}: the card file would grow to {} bytes, more than a card file is read up to ({}); "
        "it was not written",
        path.string(), text.size(), kMaxVcardFileBytes));
}

// The file without card k. A card after it that has no UID would take the place, and with it
// the id, of the card before it, and the sync list would read it as deleted and re-added: it
// gets the id it has now as its UID.
bool TextWithoutCard(const VcardFile& file, int k, const std::string& fileName, std::string& out,
                     std::string& error) {
    out.assign(file.text, 0, file.cards[k].begin);
    std::size_t pos = file.cards[k].end;
    for (std::size_t j = k + 1; j < file.cards.size(); ++j) {
        const VcardCard& card = file.cards[j];
        out.append(file.text, pos, card.begin - pos);
        pos = card.end;
        CardFields fields;
        std::string cardText;
        if (card.problem.empty() && ReadCardFields(card, fields, error) && fields.uid.empty()) {
            CardChanges pin;
            pin.addUid = PlaceId(fileName, static_cast<int>(j));
            if (!EditCard(file, card, pin, cardText, error)) return false;
            out += cardText;
        } else {
            out.append(file.text, card.begin, card.end - card.begin);
        }
    }
    out.append(file.text, pos, std::string::npos);
    return true;
}

}  // namespace

bool ReadCardFile(const fs::path& path, std::string& text, std::string& error) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = fmt::format("{}: cannot read: {}", path.string(), Reason(errno));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = fmt::format("{}: cannot read: {}", path.string(), Reason(errno));
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = fmt::format("{}: not a regular file", path.string());
        ::close(fd);
        return false;
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxVcardFileBytes) {
        error = fmt::format("{}: file too large ({} bytes)", path.string(),
                            static_cast<long long>(st.st_size));
        ::close(fd);
        return false;
    }
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (true) {
        if (got == text.size()) text.resize(text.size() + 4096);  // the file may have grown
        ssize_t n = ::read(fd, text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = fmt::format("{}: cannot read: {}", path.string(), Reason(errno));
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
        if (got > kMaxVcardFileBytes) {
            error = fmt::format("{}: file too large", path.string());
            ::close(fd);
            return false;
        }
    }
    text.resize(got);
    ::close(fd);
    return true;
}

void ScanFolderCards(const std::shared_ptr<VcfFolderCards>& cards) {
    VcfFolderCards& folder = *cards;
    folder.scanned = true;
    folder.items.clear();
    std::error_code ec;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder.dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code e2;
        if (IsCardFileName(name) && it->is_regular_file(e2)) names.push_back(std::move(name));
    }
    if (ec)
        throw OlFolderError(
            fmt::format("{}: cannot list the folder: {}", folder.dir.string(), ec.message()));
    std::sort(names.begin(), names.end());

    std::string text;
    std::string error;
    for (const auto& name : names) {
        const fs::path path = folder.dir / name;
        VcardFile file;
        if (!ReadCardFile(path, text, error)) {
            WriteLog("ERR: OUTLOOK: Skipping card file %s", error);
            continue;
        }
        if (!ParseVcardFile(std::move(text), file, error)) {
            WriteLog("ERR: OUTLOOK: Skipping card file %s: %s", path.string(), error);
            text = std::move(file.text);
            continue;
        }
        for (std::size_t k = 0; k < file.cards.size(); ++k) {
            const VcardCard& card = file.cards[k];
            const int number = static_cast<int>(k + 1);
            CardFields fields;
            if (!card.problem.empty()) {
                WriteLog("ERR: OUTLOOK: Skipping card %d of %s: %s", number, path.string(),
                         card.problem);
                continue;
            }
            if (!ReadCardFields(card, fields, error)) {
                WriteLog("ERR: OUTLOOK: Skipping card %d of %s: %s", number, path.string(), error);
                continue;
            }
            if (!fields.hasFn && !fields.isGroup)
                WriteLog("LOG: OUTLOOK: Card %d of %s has no FN", number, path.string());
            folder.items.push_back(
                std::make_shared<VcfItem>(cards, name, static_cast<int>(k), std::move(fields)));
        }
        text = std::move(file.text);  // the buffer serves the next file
    }
}

// ---- VcfItem ----

VcfItem::VcfItem(const std::shared_ptr<VcfFolderCards>& folder) : m_folder(folder), m_new(true) {}

VcfItem::VcfItem(const std::shared_ptr<VcfFolderCards>& folder, std::string fileName, int cardIndex,
                 CardFields fields)
    : m_folder(folder),
      m_fileName(std::move(fileName)),
      m_cardIndex(cardIndex),
      m_fields(std::move(fields)),
      m_current(m_fields.props) {}

std::shared_ptr<VcfFolderCards> VcfItem::Folder() const {
    auto folder = m_folder.lock();
    if (!folder) throw OlError("The address book folder of this item is no longer open.");
    return folder;
}

std::string VcfItem::Get(ContactProperty property) const {
    return m_current[static_cast<int>(property)];
}

void VcfItem::Set(ContactProperty property, const std::string& value) {
    m_current[static_cast<int>(property)] = value;
    m_changes.values[static_cast<int>(property)] = value;
}

std::string PlaceId(const std::string& fileName, int cardIndex) {
    if (cardIndex == 0) return fileName;
    return fmt::format("{}#{}", fileName, cardIndex + 1);
}

std::string VcfItem::EntryID() const {
    if (!m_fields.uid.empty()) return m_fields.uid;
    if (m_new) return {};
    return PlaceId(m_fileName, m_cardIndex);
}

void VcfItem::CardRemovedBefore() {
    if (m_fields.uid.empty()) m_fields.uid = PlaceId(m_fileName, m_cardIndex);
    --m_cardIndex;
}

int VcfItem::LocateCard(const fs::path& path, VcardFile& file) const {
    std::string text;
    std::string error;
    if (!ReadCardFile(path, text, error)) {
        std::error_code ec;
        if (!fs::is_directory(path.parent_path(), ec))
            throw OlFolderError(
                fmt::format("{}: the address book folder is gone", path.parent_path().string()));
        throw OlError(error);
    }
    if (!ParseVcardFile(std::move(text), file, error))
        throw OlError(fmt::format("{}: {}", path.string(), error));
    CardFields fields;
    if (!m_fields.uid.empty()) {
        for (std::size_t k = 0; k < file.cards.size(); ++k) {
            if (file.cards[k].problem.empty() && ReadCardFields(file.cards[k], fields, error) &&
                fields.uid == m_fields.uid)
                return static_cast<int>(k);
        }
    } else if (m_cardIndex < static_cast<int>(file.cards.size()) &&
               file.cards[m_cardIndex].problem.empty() &&
               ReadCardFields(file.cards[m_cardIndex], fields, error) && fields.uid.empty()) {
        return m_cardIndex;
    }
    throw OlError(fmt::format("{}: the card is no longer in the file", path.string()));
}

void VcfItem::Save() {
    if (m_deleted) throw OlError("The item has been deleted.");
    auto folder = Folder();
    if (m_new) {
        SaveNew(*folder);
        // A folder not read yet finds the new card on disk when it is read.
        if (folder->scanned) folder->items.push_back(shared_from_this());
    } else {
        SaveExisting(*folder);
    }
    m_changes = CardChanges{};
}

void VcfItem::SaveNew(VcfFolderCards& folder) {
    std::string uid = NewUuid();
    std::error_code ec;
    for (int tries = 0; fs::exists(folder.dir / (uid + ".vcf"), ec) && tries < 8; ++tries)
        uid = NewUuid();
    const std::string name = uid + ".vcf";
    AtomicFile file(folder.dir / name);
    // New files are synced together when the connection ends (VcfSession).
    file.SkipSync();
    const std::string text = NewCardText(m_current, uid);
    CheckReadableSize(folder.dir / name, text);
    // Writing a new file fails only for reasons of the folder or its disk.
    if (!file.Open() || !file.Write(text) || !file.Commit()) throw OlFolderError(file.Error());
    folder.session->newFilesUnsynced = true;
    m_fileName = name;
    m_cardIndex = 0;
    m_fields.props = m_current;
    m_fields.uid = uid;
    m_new = false;
}

void VcfItem::SaveExisting(VcfFolderCards& folder) {
    const fs::path path = folder.dir / m_fileName;
    VcardFile file;
    const int k = LocateCard(path, file);
    const VcardCard& card = file.cards[k];
    CardChanges changes = m_changes;
    if (m_fields.uid.empty()) changes.addUid = NewUuid();
    std::string cardText;
    std::string error;
    if (!EditCard(file, card, changes, cardText, error))
        throw OlError(fmt::format("{}: {}", path.string(), error));
    std::string text;
    text.reserve(file.text.size() + cardText.size());
    text.append(file.text, 0, card.begin);
    text += cardText;
    text.append(file.text, card.end, std::string::npos);
    if (text != file.text) {
        CheckReadableSize(path, text);
        // A card is replaced by a new file renamed over it: only the folder or its disk can
        // refuse that.
        if (!WriteFileAtomically(path, text, error)) throw OlFolderError(error);
    }

    // What the card says now is what the item reads from here on.
    VcardFile written;
    CardFields fields;
    if (!ParseVcardFile(std::move(text), written, error) ||
        k >= static_cast<int>(written.cards.size()) ||
        !ReadCardFields(written.cards[k], fields, error))
        throw OlError(
            fmt::format("{}: the written card does not read back: {}", path.string(), error));
    m_fields = std::move(fields);
    m_current = m_fields.props;
    m_cardIndex = k;
}

void VcfItem::Delete() {
    if (m_deleted) throw OlError("The item has been deleted.");
    const auto keepAlive = shared_from_this();  // the folder's list may hold the last reference
    auto folder = Folder();
    if (!m_new) {
        const fs::path path = folder->dir / m_fileName;
        VcardFile file;
        const int k = LocateCard(path, file);
        std::string error;
        if (file.cards.size() == 1) {
            if (!folder->session->backup.MoveFile(path, folder->folderName, error)) {
                std::error_code ec;
                if (!fs::exists(path, ec)) throw OlError(error);  // the card went meanwhile
                throw OlFolderError(error);
            }
        } else {
            const VcardCard& card = file.cards[k];
            const std::string cardFile =
                fmt::format("{}-{}.vcf", fs::path(m_fileName).stem().string(), k + 1);
            if (!folder->session->backup.SaveCard(
                    std::string_view(file.text).substr(card.begin, card.end - card.begin), cardFile,
                    folder->folderName, error))
                throw OlFolderError(error);  // the backups folder cannot be written
            std::string text;
            if (!TextWithoutCard(file, k, m_fileName, text, error))
                throw OlError(fmt::format("{}: {}", path.string(), error));
            CheckReadableSize(path, text);
            // A card is replaced by a new file renamed over it: only the folder or its disk can
            // refuse that.
            if (!WriteFileAtomically(path, text, error)) throw OlFolderError(error);
            for (auto& other : folder->items)
                if (other.get() != this && other->fileName() == m_fileName &&
                    other->cardIndex() > k)
                    other->CardRemovedBefore();
        }
        // Deletions run from the last item down: look from the back.
        auto& items = folder->items;
        auto it =
            std::find_if(items.rbegin(), items.rend(),
                         [this](const std::shared_ptr<VcfItem>& i) { return i.get() == this; });
        if (it != items.rend()) items.erase(std::next(it).base());
    }
    m_deleted = true;
}

// ---- VcfItems ----

int VcfItems::Count() {
    if (!m_contactsFolder) return 0;
    if (!m_cards->scanned) ScanFolderCards(m_cards);
    return static_cast<int>(m_cards->items.size());
}

std::shared_ptr<OlItem> VcfItems::Item(int index) {
    const int count = Count();
    if (index < 1 || index > count)
        throw OlError(fmt::format("Array index out of bounds: {} of {}", index, count));
    return m_cards->items[index - 1];
}

std::shared_ptr<OlItem> VcfItems::Add() {
    if (!m_contactsFolder)
        throw OlError(fmt::format("{}: a store holds no contacts", m_cards->dir.string()));
    return std::make_shared<VcfItem>(m_cards);
}

}  // namespace korvi::outlook
