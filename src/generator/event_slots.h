#pragma once

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>


// An answer kept per event for a run or a page (its texts, its number on a
// page, its file's name). A run asks for them once per occurrence shown,
// hundreds of thousands of times: a row of the run's data is found by its
// place, without hashing; a record made on its own by its address.
namespace almanix::generator {

struct EventRecord;

// Record is EventRecord; a parameter only so that this header does without
// its definition.
template <typename T, typename Record = EventRecord>
class EventSlots {
 public:
  // The event's slot and whether it is new (value-initialised) since the
  // last Clear. A slot stays where it is until the slots go.
  std::pair<T*, bool> Get(const Record& e) {
    if (e.index < 0) {
      auto [it, added] = loose_.try_emplace(&e);
      return {&it->second, added};
    }
    const size_t i = static_cast<size_t>(e.index);
    if (i >= stamps_.size()) {
      const size_t size = std::max(i + 1, stamps_.size() * 2);
      stamps_.resize(size, 0);
      values_.resize(size);
    }
    if (stamps_[i] == generation_) return {&values_[i], false};
    stamps_[i] = generation_;
    values_[i] = T();
    return {&values_[i], true};
  }

  // Forgets every answer; the slots themselves are kept for the next.
  void Clear() {
    ++generation_;
    loose_.clear();
  }

 private:
  std::vector<unsigned> stamps_;  // generation_ when the slot was filled
  std::deque<T> values_;          // grows without moving what it holds
  unsigned generation_ = 1;
  std::unordered_map<const Record*, T> loose_;
};

}  // namespace almanix::generator
