#include "sync/WholeSideCopy.h"

#include <filesystem>
#include <system_error>

#include "app/Log.h"

namespace korvi {

namespace {

Result Forget(const std::filesystem::path& file) {
    std::error_code ec;
    const bool removed = std::filesystem::remove(file, ec);
    if (ec) {
        WriteLog("ERR: Sync list could not be removed before the copy: %s (%s)", file.string(),
                 ec.message());
        return {kResultLocalFailure, "The sync list " + file.string() + " could not be removed: " +
                                         ec.message() + ". Nothing was changed."};
    }
    if (removed) WriteLog("LOG: Sync list removed before the copy: %s", file.string());
    return {};
}

}  // namespace

Result ForgetPbxSyncLists(TcontactFile& files, int32_t contactType) {
    for (const auto& file : files.SyncFiles(contactType)) {
        if (Result forgotten = Forget(file); !forgotten.ok()) return forgotten;
    }
    return {};
}

Result ReplacePartnerContacts(PartnerStore& partner, TcontactFile& files, int32_t contactType,
                              TContactList& list, const StopFlag& stop) {
    // Opening the store is what tells its key (the folder may not have been loaded).
    Result opened = partner.BeginUpdates();
    const std::string storeId = partner.contactStoreID();
    partner.EndUpdates();
    if (!opened.ok()) return opened;
    if (Result forgotten = Forget(files.SyncFilePath(contactType, storeId)); !forgotten.ok()) {
        return forgotten;
    }
    return partner.SaveContacts(list, stop);
}

}  // namespace korvi
