#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zem {

// Reads the record whose key `key_number` matches `value` (padded with NUL bytes or cut to
// the key's length) into the file's record area: mode 0 equal, above 0 the first at or after
// it, below 0 the last at or before it. 3 not open, 1004 no such key, else the read's status.
int16_t FindByKey(int16_t id, int16_t key_number, std::string_view value, int mode);

// Moves n records forward (n > 0) or backward (n < 0) along the current key; only the last
// record reached is copied into the record area. n = 0 does nothing.
int16_t MoveRecords(int16_t id, int n);

// The record manager's position of the current record; 0 when there is none.
uint32_t GetPosition(int16_t id);

// Reads the record at `position` into the record area and makes it current.
int16_t GotoPosition(int16_t id, uint32_t position);

// Whether moving n records from the current one reaches an existing record whose key text
// does not pass `limit` (at most `limit` forward, at least `limit` backward). The current
// record and position are restored afterwards.
bool PeekMoveWithinLimit(int16_t id, int n, std::string_view limit);

// The key text of the file's current key value; empty when the file is not open.
std::string CurrentKeyText(int16_t id);

// The key text of `value` under the file's current key: binary segments reversed, segments
// with the collating sequence translated, so that plain byte comparison gives the record
// manager's order. `value` comes back unchanged when the file is not open.
std::string KeyToComparable(std::string value, int16_t id);

}  // namespace zem
