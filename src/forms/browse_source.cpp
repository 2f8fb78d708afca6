#include "forms/browse_source.h"

#include <utility>

#include "forms/browse_lines.h"
#include "platform/services.h"
#include "screen/keyboard.h"
#include "storage/file_table.h"
#include "storage/record_ops.h"

namespace zem {

namespace {

// Takes an Esc the operator typed while the records are read; any other pending key is left
// for the list to read next.
bool TakeWaitingEsc() {
  KeyboardState& keyboard = Keyboard();
  if (!keyboard.TypeAhead.empty()) {
    if (keyboard.TypeAhead[0] != keys::kEsc) return false;
    keyboard.TypeAhead.erase(0, 1);
    return true;
  }
  if (!keyboard.HeldEvent) {
    platform::InputEvent event;
    if (!platform::Screen().PollEvent(&event)) return false;
    keyboard.HeldEvent = event;
  }
  const platform::InputEvent& event = *keyboard.HeldEvent;
  if (event.kind != platform::InputEvent::Kind::kKey || event.ch != keys::kEsc) return false;
  keyboard.HeldEvent.reset();
  return true;
}

}  // namespace

BrowseSource::BrowseSource(int16_t number, int16_t file_id, int16_t key_number, std::string start)
    : number_(number),
      file_id_(file_id),
      key_number_(key_number),
      start_(std::move(start)),
      file_(file_id != 0),
      exhausted_(file_id == 0) {
  // Continue after what the work file already holds.
  BrowseFile::Entry entry;
  for (uint32_t at = 1; file_.Read(at, &entry); at = entry.Next) last_ = at;
}

bool BrowseSource::NextRecord() {
  int16_t status = 0;
  if (!started_) {
    started_ = true;
    status = FindByKey(file_id_, key_number_, start_, 1);
    end_ = KeyToComparable(start_, file_id_);
  } else {
    status = MoveRecords(file_id_, 1);
  }
  if (status != kStatusOk || CurrentKeyText(file_id_).substr(0, end_.size()) > end_ ||
      TakeWaitingEsc()) {
    exhausted_ = true;
    return false;
  }
  return true;
}

bool BrowseSource::ReadMore() {
  while (!exhausted_ && NextRecord()) {
    std::string line = BrowseLine(number_, file_id_);
    if (line.find_last_not_of(' ') == std::string::npos) continue;
    last_ = file_.Append(last_, GetPosition(file_id_), line);
    return true;
  }
  return false;
}

uint32_t BrowseSource::First() {
  BrowseFile::Entry entry;
  if (file_.Read(1, &entry)) return 1;
  return ReadMore() ? last_ : 0;
}

uint32_t BrowseSource::After(uint32_t position) {
  BrowseFile::Entry entry;
  if (position == 0 || !file_.Read(position, &entry)) return 0;
  BrowseFile::Entry next;
  if (file_.Read(entry.Next, &next)) return entry.Next;
  if (entry.Next != file_.End()) return 0;
  return ReadMore() ? last_ : 0;
}

uint32_t BrowseSource::Before(uint32_t position) const {
  BrowseFile::Entry entry;
  if (position == 0 || !file_.Read(position, &entry)) return 0;
  BrowseFile::Entry previous;
  return entry.Previous != position && file_.Read(entry.Previous, &previous) ? entry.Previous : 0;
}

BrowseFile::Entry BrowseSource::At(uint32_t position) const {
  BrowseFile::Entry entry;
  if (!file_.Read(position, &entry)) entry = BrowseFile::Entry{};
  return entry;
}

}  // namespace zem
