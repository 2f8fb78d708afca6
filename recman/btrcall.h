#pragma once

#include <cstdint>

// The record manager's single entry point.
//
// operation      operation code (0 Open, 1 Close, 2 Insert, ... ; +200 on a Get: no-wait lock)
// position_block the file's 128-byte position block, kept by the caller between calls
// data_buffer    record data in and out
// data_length    in: bytes offered in data_buffer; out: bytes placed there
// key_buffer     key value in and out (for Open and Create: the NUL-terminated host path)
// key_length     bytes available in key_buffer
// key_number     index to follow (for Open: the open mode; for Create: -1 = keep an existing file)
//
// Returns the status: 0 success, otherwise one of the record manager's status codes.
//
// Operations: 0 Open, 1 Close, 2 Insert, 3 Update, 4 Delete, 5 Get Equal, 6 Get Next, 7 Get
// Previous, 8 Get Greater, 9 Get Greater or Equal, 10 Get Less, 11 Get Less or Equal, 12 Get
// First, 13 Get Last, 14 Create, 15 Stat, 19 Begin Transaction, 20 End Transaction, 21 Abort
// Transaction, 22 Get Position, 23 Get Direct, 27 Unlock, 28 Reset.
//
// The rules callers can rely on:
// - Open modes (key number): 0 normal, -1 and -3 as normal, -2 read-only (Insert, Update and
//   Delete answer 46), -4 exclusive (no other open, in any process, while it lasts; either
//   way round the later open gets 85). The owner name in the data buffer is not checked.
// - Every Get places the record in the data buffer (as much as the data length offers; 22
//   when that is less than the record) and the key value of the record reached, on the
//   cursor's key path, in the key buffer. The key buffer must hold the whole key (at most
//   255 bytes) whatever the key length says; on input a search key is read for at most the
//   key length and padded with NUL bytes to the key's length.
// - Get Equal that finds nothing answers 4; Get Greater/Greater or Equal/Less/Less or Equal
//   and Get First/Last that find nothing answer 9. Either leaves no current record.
// - Get Next / Previous follow the key path of the Get that established the current record
//   (Get Direct and Insert establish it on their key number); without one they answer 8. At
//   the end (9) the cursor stays where it was. After Delete they continue from the deleted
//   record's place. Each call sees every change committed before it, by any process.
// - Records are fixed-length: Insert and Update take exactly the record length (else 22).
//   Insert makes the new record current. A key without the duplicates flag refuses a second
//   equal value (5); a key without the modifiable flag refuses a change (10). Update and
//   Delete of a current record that another process deleted answer 43.
// - Positions (Get Position, Get Direct) are 4-byte numbers, fixed for a record's life and
//   never given to another record.
// - 200 added to a Get locks the record reached for this open until its next locked Get,
//   Unlock, Close or Reset (or the process's end). Another open's locked Get of it, its
//   Update and its Delete answer 84; plain reads succeed. A refused locked Get moves nothing.
// - Create refuses a contradictory creation block, creating nothing: 22 block shorter than
//   it announces, 26 no keys, 27 segment outside the record, 28 record length 0 or above
//   1536, 29 empty segment or key above 255 bytes, 48 collating sequence without signature.
//   With key number -1 an existing file gives 59; otherwise it is replaced unless open (85).
// - Transactions: between Begin (19) and End (20) the process's writes, to every file it has
//   open, are seen by no other open; End commits them, Abort (21), Reset, a Close of the file
//   or the process's end takes them back. A file written in a transaction holds its write
//   lock until the end, so other writers get 85 meanwhile. A write refused inside a
//   transaction takes back only itself. 37: a transaction is already active; 39: none is.
// - Opens that may not write (read-only mode, a data file or lock file the caller cannot
//   write) answer 46 to every write and leave no files behind that would block later
//   writers. The lock file is made with the data file's permissions and owner.
// - A record whose stored key does not match its bytes, or whose stored position is none a
//   record can have (a damaged file), answers 2; a Get Next / Previous after it carries on
//   past it, so a walk always ends.
// - Files: 12 missing, 2 not a data file of ours (or damaged), 85 the database stayed locked
//   by another writer beyond a short wait. A position block that names no open file gives 3.
extern "C" int16_t BTRCALL(uint16_t operation, void* position_block, void* data_buffer,
                           uint32_t* data_length, void* key_buffer, uint8_t key_length,
                           int8_t key_number);

// Reads of a file share one read snapshot while nothing changes it, and such a snapshot holds
// back other processes' checkpoints of the file's log. A program calls this before it waits
// (for a key, a pause, another program), so that the snapshots do not outlive its work; the
// next read begins a new one. Nothing a caller sees changes by it.
namespace recman {
void EndReadSnapshots();
}
