// The address book's object model: the few objects and calls that the local address book
// store works with (application, name space, folders, items, contact and distribution list
// items). The store logic sees only these, so it runs unchanged on the vCard folder backend
// of the program and on the in-memory model of the tests.
//
// Like an automation interface, a call that cannot be carried out throws OlError; the store
// catches it at the edge of each of its operations and turns it into a result code and text.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace korvi::outlook {

class OlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A failure of the folder as a whole (gone, not writable, its disk full), as opposed to one of
// a single item: every further call on the folder would fail the same way.
class OlFolderError : public OlError {
public:
    using OlError::OlError;
};

// DefaultItemType of a folder that holds contact items.
inline constexpr int olContactItem = 2;
// GetDefaultFolder and Folders.Add: the contacts folder kind.
inline constexpr int olFolderContacts = 10;

// The properties of a contact item that the store reads and writes.
enum class ContactProperty : int {
    FileAs,
    FirstName,
    MiddleName,
    LastName,
    CompanyName,
    HomeTelephoneNumber,
    Home2TelephoneNumber,
    BusinessTelephoneNumber,
    Business2TelephoneNumber,
    MobileTelephoneNumber,
    OtherTelephoneNumber,
    HomeFaxNumber,
    BusinessFaxNumber,
};
inline constexpr int kContactPropertyCount = 13;

// The number slot properties in the order of the number types Home1 (0) .. Fax_Bus (7).
inline constexpr ContactProperty kSlotProperties[8] = {
    ContactProperty::HomeTelephoneNumber,     ContactProperty::Home2TelephoneNumber,
    ContactProperty::BusinessTelephoneNumber, ContactProperty::Business2TelephoneNumber,
    ContactProperty::MobileTelephoneNumber,   ContactProperty::OtherTelephoneNumber,
    ContactProperty::HomeFaxNumber,           ContactProperty::BusinessFaxNumber,
};

class OlContactItem {
public:
    virtual ~OlContactItem() = default;

    virtual std::string Get(ContactProperty property) const = 0;
    // Changes the unsaved item; Save makes the change lasting.
    virtual void Set(ContactProperty property, const std::string& value) = 0;
    virtual std::string EntryID() const = 0;
    virtual void Save() = 0;
    virtual void Delete() = 0;

    std::string FileAs() const { return Get(ContactProperty::FileAs); }
    std::string FirstName() const { return Get(ContactProperty::FirstName); }
    std::string MiddleName() const { return Get(ContactProperty::MiddleName); }
    std::string LastName() const { return Get(ContactProperty::LastName); }
    std::string CompanyName() const { return Get(ContactProperty::CompanyName); }
    void SetFileAs(const std::string& v) { Set(ContactProperty::FileAs, v); }
    void SetFirstName(const std::string& v) { Set(ContactProperty::FirstName, v); }
    void SetMiddleName(const std::string& v) { Set(ContactProperty::MiddleName, v); }
    void SetLastName(const std::string& v) { Set(ContactProperty::LastName, v); }
    void SetCompanyName(const std::string& v) { Set(ContactProperty::CompanyName, v); }
};

class OlDistListItem {
public:
    virtual ~OlDistListItem() = default;
    virtual void Delete() = 0;
};

// An item of a folder. The pointers the queries return live as long as the item does.
class OlItem {
public:
    virtual ~OlItem() = default;
    // Null unless the item is a contact.
    virtual OlContactItem* QueryContactItem() = 0;
    // Null unless the item is a distribution list.
    virtual OlDistListItem* QueryDistListItem() = 0;
};

class OlItems {
public:
    virtual ~OlItems() = default;
    virtual int Count() = 0;
    // 1-based, as the automation interface counts.
    virtual std::shared_ptr<OlItem> Item(int index) = 0;
    // A new, unsaved contact item; it joins the collection when saved.
    virtual std::shared_ptr<OlItem> Add() = 0;
};

class OlMAPIFolder;

class OlFolders {
public:
    virtual ~OlFolders() = default;
    virtual int Count() = 0;
    virtual std::shared_ptr<OlMAPIFolder> Item(int index) = 0;  // 1-based
    virtual std::shared_ptr<OlMAPIFolder> Add(const std::string& name, int type) = 0;
};

class OlMAPIFolder {
public:
    virtual ~OlMAPIFolder() = default;
    virtual std::string Name() = 0;
    virtual int DefaultItemType() = 0;
    virtual std::string FolderPath() = 0;
    virtual std::string EntryID() = 0;
    // Owned by the folder; the same live collections on every call.
    virtual OlFolders& Folders() = 0;
    virtual OlItems& Items() = 0;
};

class OlNameSpace {
public:
    virtual ~OlNameSpace() = default;
    virtual OlFolders& Folders() = 0;
    virtual std::shared_ptr<OlMAPIFolder> GetDefaultFolder(int folderType) = 0;
    virtual std::shared_ptr<OlMAPIFolder> GetFolderFromID(const std::string& entryId) = 0;
};

// One connection. Releasing it releases everything reached through it.
class OlApplication {
public:
    virtual ~OlApplication() = default;
    virtual std::string Version() = 0;
    virtual OlNameSpace& GetNamespace(const std::string& type) = 0;
};

}  // namespace korvi::outlook
