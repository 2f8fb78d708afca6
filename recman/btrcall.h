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
extern "C" int16_t BTRCALL(uint16_t operation, void* position_block, void* data_buffer,
                           uint32_t* data_length, void* key_buffer, uint8_t key_length,
                           int8_t key_number);
