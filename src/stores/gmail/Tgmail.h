// The cloud partner store: one account of the cloud contacts service and one contact group of
// it. Logs in, lists the groups with their counts for the chooser, creates a group, and reads
// and writes the group's contacts as contact records. Every request goes through the transport
// it is given (verified HTTPS on the real one) to the service at serviceUrl.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/PartnerStore.h"
#include "app/Progress.h"
#include "app/Result.h"
#include "model/Contact.h"
#include "net/HttpTransport.h"
#include "stores/gmail/GmailContactFeed.h"
#include "stores/gmail/GmailGroupFeed.h"

namespace korvi {

// The service's address when the settings name none ("GmailServiceUrl").
inline constexpr char kGmailDefaultServiceUrl[] = "https://www.google.com";

// A node of the chooser's tree: the root (text 141, image 0, no record) or a group (image 1,
// "TITLE (COUNT)", its record).
struct GmailGroupNode {
    std::string text;
    int imageIndex = 0;
    std::optional<Ty_gmailFolderInfo> record;
    std::vector<GmailGroupNode> children;
};

// Every failure of the store is kResultGmailFailure (-16) with its text; a stop is
// kResultCancelled.
class Tgmail final : public PartnerStore {
public:
    Tgmail(Progress& progress, net::HttpTransport& transport);
    // Keeps the transport for as long as the store lives.
    Tgmail(Progress& progress, std::unique_ptr<net::HttpTransport> transport);

    // ---- State, as the window, the flows and the actions read and set it. ----
    std::string authToken;  // never logged
    int loggedIn = 0;
    std::string accountName;
    std::string accountPassword;  // never logged
    std::string folderTitle;
    std::string folderID;
    int folderContactCount = 0;
    // False when the chosen group's count could not be read (folderContactCount is then 0 but
    // says nothing): an export must not treat the group as empty.
    bool folderCountKnown = true;
    int numFolders = 0;
    int showCreateButton = 0;
    int newFolderRequested = 0;
    int createCancelled = 0;
    // Set before a save that must add to the group's contacts instead of replacing them;
    // that save clears it.
    int keepExisting = 0;
    int numbersSkipped = 0;
    // Scheme, host and port of the service; every address the store sends its token to must
    // be on it.
    std::string serviceUrl = kGmailDefaultServiceUrl;
    // Bound of each request (the connection alone: 30 s).
    long requestTimeoutMs = 120'000;
    // The chooser's tree, refilled by GetGmailFolderInfo.
    GmailGroupNode folderTree;

    // ---- Login and groups (actions 13, 14, 15). ----
    Result LoginToGmail();
    // Logged in, with a token made for the account, password and service now set.
    bool LoggedInAsSet() const;
    // Success also when a group's count could not be read: that count shows 0, and the
    // result's text says that a count failed (text 147).
    Result GetGmailFolderInfo();
    Result GetNumContactsInFolder(Ty_gmailFolderInfo& record, const std::string& groupId);
    Result CreateNewGmailFolder();

    // ---- The chooser's logic (the dialog itself belongs to the window). ----
    // What showing the chooser resets.
    void ResetChooser();
    // A click in the tree (null: nothing selected). True when the node is a group: its title,
    // id and count are now the chosen folder's (OK may be enabled).
    bool SelectGroupNode(const GmailGroupNode* node);
    // The create button with the name entered: the message the chooser shows ("" for none:
    // the group is to be created, newFolderRequested is 1). The chooser then closes with OK.
    std::string RequestNewGroup(const std::string& name);
    // The chosen group as the settings hold it; sets contactStoreID.
    void SetFolder(const std::string& id, const std::string& title);

    // ---- Contacts (PartnerStore). ----
    Result LoadContacts(TContactList& list, const StopFlag& stop) override;
    Result SaveContacts(TContactList& list, const StopFlag& stop) override;
    Result UpdateContact(int kind, TContact& contact) override;
    // The MD5 digest of folderID (32 lower-case hex digits): names the group's sync list.
    std::string contactStoreID() const override;

    // Empties the group before a save: a contact that is also in another group only leaves
    // this one; the others are deleted. -7 when stopped.
    Result DeleteExistingContacts(const StopFlag& stop);
    // Creates the record's entry in the group; its entryId becomes the entry's edit address.
    Result WriteNewContact(TContact& contact);
    // Writes the record's names and numbers into its entry, keeping what the record does not
    // hold; a change made meanwhile by another client is read again once.
    Result AmendContact(TContact& contact);
    Result DeleteContact(const std::string& url);

private:
    struct Answer;
    // One request with the conventions of the feeds (or the login's form), to an address on
    // the service; a refused token gets one fresh login and one retry.
    Answer Send(const std::string& method, const std::string& url, const std::string& body,
                std::vector<net::HttpHeader> extraHeaders = {}, bool feedRequest = true);
    std::string FeedUrl(const char* feed, const std::string& query = {}) const;
    std::string GroupQuery(long maxResults) const;
    // Reads every page of a contacts feed from url on; kResultCancelled when stopped between
    // pages, kResultGmailFailure with error when a page fails.
    int ReadAllPages(const std::string& url, const StopFlag* stop,
                     const std::function<void(GmailFeedPage&)>& onPage, std::string& error);
    // Reads an entry to change it: false with error unless it answered 200 with an entry.
    bool ReadEntryToChange(const std::string& url, Answer& fetched, GmailFeedEntry& entry,
                           std::string& error);
    // Writes a changed entry under the tag of the version read, so that a write in between is
    // refused (412), not overwritten.
    Answer PutChangedEntry(const std::string& url, const std::string& body, const Answer& fetched,
                           const GmailFeedEntry& entry);
    // The entry leaves this group; it is deleted when it is in no other group.
    Result RemoveFromGroup(const std::string& url);
    void LogDropped(const GmailFeedEntry& entry);

    Progress& m_progress;
    std::unique_ptr<net::HttpTransport> m_ownTransport;
    net::HttpTransport& m_transport;
    // Who the token belongs to: a login for another account, password or service is not it.
    std::string m_tokenAccount;
    std::string m_tokenPassword;
    std::string m_tokenService;
};

}  // namespace korvi
