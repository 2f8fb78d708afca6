#pragma once

#include <cstdint>
#include <string>

#include "forms/form_tables.h"

namespace zem {

// What each pick list number lists: 1 texts (group, code, description), 2 properties (number
// and street), 3 and 4 units (number, owner, designation). Other numbers list nothing.

// The line for the record in the number's file's record area; empty for other numbers.
// `file_id` is the file the list reads, used to look one record back in key order.
std::string BrowseLine(int16_t number, int16_t file_id);

// The key text the list starts at, and which every listed record's key begins with.
std::string BrowseStart(int16_t number, const PickList& list);

}  // namespace zem
