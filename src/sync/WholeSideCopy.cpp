#include "sync/WholeSideCopy.h"

#include <filesystem>
#include <system_error>

#include "app/Log.h"

namespace korvi {

namespace {

int Forget(const std::filesystem::path& file, std::string& resultText) {
    std::error_code ec;
    const bool removed = std::filesystem::remove(file, ec);
    if (ec) {
        WriteLog("ERR: Sync list could not be removed before the copy: %s (%s)", file.string(),
                 ec.message());
        resultText = "The sync list " + file.string() + " could not be removed: " + ec.message() +
                     ". Nothing was changed.";
        return -1;
    }
    if (removed) WriteLog("LOG: Sync list removed before the copy: %s", file.string());
    return 0;
}

}  // namespace

int ForgetPbxSyncLists(TcontactFile& files, int32_t contactType, std::string& resultText) {
    for (const auto& file : files.SyncFiles(contactType)) {
        if (const int rc = Forget(file, resultText); rc != 0) return rc;
    }
    return 0;
}

int ReplacePartnerContacts(PartnerStore& partner, TcontactFile& files, int32_t contactType,
                           TContactList& list, const StopFlag& stop, std::string& resultText) {
    // Opening the store is what tells its key (the folder may not have been loaded).
    const int opened = partner.BeginUpdates(resultText);
    const std::string storeId = partner.contactStoreID();
    partner.EndUpdates();
    if (opened != 0) return opened;
    if (const int rc = Forget(files.SyncFilePath(contactType, storeId), resultText); rc != 0) {
        return rc;
    }
    return partner.SaveContacts(list, stop, resultText);
}

}  // namespace korvi
