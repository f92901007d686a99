// The items of one address book folder: its .vcf files read once per connection, and each
// card as a contact or distribution list item. Internal to the vCard backend.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "stores/outlook/CardBackup.h"
#include "stores/outlook/FolderIds.h"
#include "stores/outlook/ObjectModel.h"
#include "stores/outlook/VcardContact.h"

namespace korvi::outlook {

// What every object of one connection shares.
struct VcfSession {
    VcfSession(std::filesystem::path rootFolder, CardBackup cardBackup, FolderIds ids)
        : root(std::move(rootFolder)), backup(std::move(cardBackup)), folderIds(std::move(ids)) {}
    std::filesystem::path root;
    CardBackup backup;
    FolderIds folderIds;
    bool ownTree = false;  // the program's own tree: its default folder may be made
    bool newFilesUnsynced = false;
};

class VcfItem;

struct VcfFolderCards {
    std::shared_ptr<VcfSession> session;
    std::filesystem::path dir;
    std::string folderName;
    std::vector<std::shared_ptr<VcfItem>> items;
    bool scanned = false;
};

// Reads the folder's cards into its items (once per connection). A file or card that cannot be
// read is left out with a log line naming it and the reason. Throws OlError when the folder
// itself cannot be listed.
void ScanFolderCards(const std::shared_ptr<VcfFolderCards>& cards);

class VcfItem final : public OlItem,
                      public OlContactItem,
                      public OlDistListItem,
                      public std::enable_shared_from_this<VcfItem> {
public:
    // A new, unsaved contact.
    explicit VcfItem(const std::shared_ptr<VcfFolderCards>& folder);
    // A card read from a file.
    VcfItem(const std::shared_ptr<VcfFolderCards>& folder, std::string fileName, int cardIndex,
            CardFields fields);

    OlContactItem* QueryContactItem() override { return m_fields.isGroup ? nullptr : this; }
    OlDistListItem* QueryDistListItem() override { return m_fields.isGroup ? this : nullptr; }

    std::string Get(ContactProperty property) const override;
    void Set(ContactProperty property, const std::string& value) override;
    std::string EntryID() const override;
    void Save() override;
    void Delete() override;

    const std::string& fileName() const { return m_fileName; }
    int cardIndex() const { return m_cardIndex; }
    // A card before this one left the file; this card now carries its old id as its UID.
    void CardRemovedBefore();

private:
    std::shared_ptr<VcfFolderCards> Folder() const;
    void SaveNew(VcfFolderCards& folder);
    void SaveExisting(VcfFolderCards& folder);
    // Reads the item's file again and finds its card there: by UID, or by place for a card
    // without one.
    int LocateCard(const std::filesystem::path& path, VcardFile& file) const;

    std::weak_ptr<VcfFolderCards> m_folder;
    std::string m_fileName;
    int m_cardIndex = 0;
    CardFields m_fields;
    ContactProps m_current;
    CardChanges m_changes;
    bool m_new = false;
    bool m_deleted = false;
};

class VcfItems final : public OlItems {
public:
    VcfItems(std::shared_ptr<VcfFolderCards> cards, bool contactsFolder)
        : m_cards(std::move(cards)), m_contactsFolder(contactsFolder) {}

    int Count() override;
    std::shared_ptr<OlItem> Item(int index) override;
    std::shared_ptr<OlItem> Add() override;

private:
    std::shared_ptr<VcfFolderCards> m_cards;
    bool m_contactsFolder;
};

// The id of a card without a UID: its file name, with "#n" for the n-th card of a file.
std::string PlaceId(const std::string& fileName, int cardIndex);

// Reads a whole file; false with a reason naming it.
[[nodiscard]] bool ReadCardFile(const std::filesystem::path& path, std::string& text,
                                std::string& error);

}  // namespace korvi::outlook
