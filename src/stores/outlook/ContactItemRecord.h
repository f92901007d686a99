// The one mapping between a contact item and a contact record: how a load builds the record
// from the item's properties and how a write sets them from the record. The address book
// store uses it on its folders; the address book server store uses it on cards fetched over
// the network, so that both read and write a card alike.
#pragma once

#include "model/Contact.h"
#include "stores/outlook/ObjectModel.h"

namespace korvi::outlook {

enum class ItemRecord {
    kLoaded,
    kInvalidName,  // the display name is empty after cleaning
    kNoNumbers,    // no number slot holds a number
};

// Fills the record's names and numbers from the item: the first name with the middle name
// joined, the company as last name when no other name is set, everything cleaned, the slots
// in the order of the number types. contactId 0; entryId is left to the caller. The record
// holds the names also when it is not loaded, for the caller's log line.
ItemRecord ReadItemRecord(const OlContactItem& item, TContact& record);

// Sets the item's names and the slots that the record's numbers name (a number in state
// "Deleted" clears its slot); slots the record does not mention keep their value. The item
// is not saved.
void WriteItemRecord(const TContact& record, OlContactItem& item);

}  // namespace korvi::outlook
