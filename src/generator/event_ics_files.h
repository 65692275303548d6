#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "app/config.h"
#include "generator/event_slots.h"

// The one-event calendar files (events/ID.ics) behind "Add to my calendar".
namespace almanix::generator {

struct RunContext;
struct EventRecord;
class TICal;

// Writes each event's file once per run, the first time a page links it, so
// that every link a page shows has its file and no file is written that no
// page links.
class EventIcsFiles {
 public:
  // Clears anything but plain files out of events/; the files themselves
  // are written over, which costs far less than making thousands anew.
  explicit EventIcsFiles(const RunContext& run);
  ~EventIcsFiles();
  EventIcsFiles(const EventIcsFiles&) = delete;
  EventIcsFiles& operator=(const EventIcsFiles&) = delete;

  // The file's name in the output folder ("events/ID.ics"), written now
  // when it is the first link to it. A failed write is counted in the
  // run's result; the link stays.
  const std::string& Linked(const EventRecord& e);

  int written() const { return written_; }

  // Removes the files no page of this run linked: events deleted or no
  // longer published since an earlier run, and the folder when it is empty.
  void RemoveUnlinked();

 private:
  void Write(const EventRecord& e, const std::string& name);

  const RunContext& run_;
  Brand brand_;  // read once per run rather than once per event
  // One calendar object for every file, made at the first: its head and
  // zone are the same for all of them.
  std::unique_ptr<TICal> ical_;
  bool folder_made_ = false;
  int folder_fd_ = -1;  // the events folder, open once it is made
  std::unordered_map<std::string, std::string> names_;  // event ID -> file name
  // The same answers by row, asked once per occurrence shown: found by the
  // row's place rather than the ID's text, and held in the slot itself, so
  // that an answer costs no visit to the map's scattered nodes.
  EventSlots<std::string> by_record_;
  int written_ = 0;
};

}  // namespace almanix::generator
