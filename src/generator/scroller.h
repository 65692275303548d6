#pragma once

#include <string>
#include <vector>

#include "app/dates.h"
#include "app/status.h"

// The event scroller: scroller.js with the coming events, its page and its
// style sheet.
namespace almanix::generator {

struct RunContext;
struct EventRecord;
struct ComingDay;

class TScroller {
 public:
  // The previews (style editor, quick preview), which show no events, fill
  // the scroller with this many samples.
  static constexpr int kMinItems = 6;

  explicit TScroller(const RunContext& run) : run_(run) {}
  // scroller.js at script_path: the item lines, the template of the
  // scroller folder and the speed line. Copies the page and its pictures
  // into the output folder; missing sources are skipped. Returns the
  // failure to write the script.
  Status Generate(const std::string& output, const std::string& script_path);
  // scroller.css in the run's output folder, with the scroller colours.
  Status WriteStyleSheet();

  // The moment the samples are dated from (local time); the run's clock
  // (RunContext::now) when unset.
  void set_now(DateTimeValue local_now) {
    now_ = local_now;
    now_set_ = true;
  }

 private:
  // The coming events of the published range, up to max_events: those
  // flagged for the scroller, or any when flagged_only is off.
  void AddComingEvents(bool flagged_only, bool skip_no_photo, int max_events);
  void AddItem(const std::string& value);
  std::string EventValue(const EventRecord& e, int category, const ComingDay& day) const;
  void AddSamples();

  const RunContext& run_;
  std::vector<std::string> lines_;
  int count_ = 0;
  DateTimeValue now_ = 0;
  bool now_set_ = false;
};

}  // namespace almanix::generator
