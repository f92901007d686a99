// The result codes of our own making, one name per code. A failure reported by a peer keeps
// the peer's own number (the PBX's errCode), so any other value may also reach the user.
#pragma once

namespace korvi {

enum ResultCode : int {
    kResultOk = 0,
    // A failure found here rather than reported by a peer: a contact or sync list file that
    // could not be read or written, a value or list that does not do, a contact type not
    // chosen, failed sends of a PBX save, a partner store failure.
    kResultLocalFailure = -1,
    // The PBX could not be asked: transport error, SOAP fault, malformed reply.
    kResultException = -2,
    // The connection values: the URL, the user name, the PIN.
    kResultBadUrl = -3,
    kResultBadUserName = -4,
    kResultBadPin = -5,
    kResultInvalidAction = -6,
    // The user cancelled, or the stop flag ended a load or save early.
    kResultCancelled = -7,
    // No contacts on the side that was read.
    kResultNothingToDo = -8,
    // No sync list for this contact type and partner store (or a failure while applying the
    // action list).
    kResultNoSyncFile = -9,
    kResultBadDeleteType = -11,
    // Success, but some numbers of cloud contacts could not be carried.
    kResultGmailNumbersSkipped = -12,
    // Every failure of the cloud store.
    kResultGmailFailure = -16,
    kResultGmailNotLoggedIn = -17,
    // The stored password protection.
    kResultCipherEmpty = -18,      // nothing to encipher or decipher
    kResultCipherBadLength = -19,  // hex length not a multiple of 16
    kResultCipherBadHex = -20,     // a group of 8 characters is not hex
    // No body is registered for the action in this build.
    kResultActionNotAvailable = -30,
    // A body let an exception escape, or the worker could not be started.
    kResultActionException = -31,
    // A silent sync applied nothing: it would delete more than a silent sync may
    // (texts 187, 188).
    kResultDeletionsHeldBack = -32,
    // A silent sync found a side empty while the pair's sync list holds entries (texts 189 to
    // 191); a manual sync asks instead.
    kResultEmptySide = -33,
    // Another process is writing the contact stores (text 192), or the lock could not be
    // taken (text 193).
    kResultStoreBusy = -34,
};

}  // namespace korvi
