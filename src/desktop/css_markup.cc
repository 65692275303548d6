#include "desktop/css_markup.h"

namespace almanix::desktop {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

class Scanner {
 public:
  Scanner(std::u16string_view line, CssLineState state) : line_(line), state_(state) {}

  CssLine Run() {
    while (at_ < line_.size()) {
      if (state_.in_comment) {
        Comment();
      } else if (Starts(u"/*")) {
        state_.in_comment = true;
        Comment();
      } else if (IsBlank(line_[at_])) {
        ++at_;
      } else if (!state_.in_block) {
        Outside();
      } else if (!state_.in_value) {
        Property();
      } else {
        Value();
      }
    }
    return {std::move(spans_), state_};
  }

 private:
  bool Starts(std::u16string_view text) const { return line_.substr(at_, text.size()) == text; }

  void Mark(size_t from, size_t to, CssPart part) {
    if (to <= from) return;
    if (!spans_.empty() && spans_.back().part == part &&
        spans_.back().start + spans_.back().length == static_cast<int>(from)) {
      spans_.back().length += static_cast<int>(to - from);
      return;
    }
    spans_.push_back({static_cast<int>(from), static_cast<int>(to - from), part});
  }

  void Comment() {
    const size_t from = at_;
    const size_t close = line_.find(u"*/", at_ + (Starts(u"/*") ? 2 : 0));
    if (close == std::u16string_view::npos) {
      at_ = line_.size();
    } else {
      at_ = close + 2;
      state_.in_comment = false;
    }
    Mark(from, at_, CssPart::kComment);
  }

  // Selectors, at-rules and the HTML tags around a sheet kept in a page.
  void Outside() {
    const char16_t c = line_[at_];
    if (c == u'{') {
      state_.in_block = true;
      ++at_;
      return;
    }
    if (c == u'}' || c == u',' || c == u';') {
      ++at_;
      return;
    }
    if (c == u'<') {
      const size_t close = line_.find(u'>', at_);
      const size_t to = close == std::u16string_view::npos ? line_.size() : close + 1;
      Mark(at_, to, CssPart::kTag);
      at_ = to;
      return;
    }
    const CssPart part = c == u'@' ? CssPart::kAtRule : CssPart::kSelector;
    const size_t from = at_;
    while (at_ < line_.size() && line_[at_] != u'{' && line_[at_] != u',' &&
           line_[at_] != u';' && !Starts(u"/*") &&
           !(part == CssPart::kAtRule && IsBlank(line_[at_]))) {
      ++at_;
    }
    size_t to = at_;
    while (to > from && IsBlank(line_[to - 1])) --to;
    Mark(from, to, part);
  }

  void Property() {
    const char16_t c = line_[at_];
    if (c == u'}') {
      state_.in_block = false;
      ++at_;
      return;
    }
    if (c == u';' || c == u'{') {
      ++at_;
      return;
    }
    if (c == u':') {
      state_.in_value = true;
      ++at_;
      return;
    }
    const size_t from = at_;
    while (at_ < line_.size() && line_[at_] != u':' && line_[at_] != u';' &&
           line_[at_] != u'}' && !Starts(u"/*")) {
      ++at_;
    }
    size_t to = at_;
    while (to > from && IsBlank(line_[to - 1])) --to;
    Mark(from, to, CssPart::kProperty);
  }

  void Value() {
    const char16_t c = line_[at_];
    if (c == u';') {
      state_.in_value = false;
      ++at_;
      return;
    }
    if (c == u'}') {
      state_.in_value = false;
      state_.in_block = false;
      ++at_;
      return;
    }
    if (c == u'"' || c == u'\'') {
      const size_t close = line_.find(c, at_ + 1);
      const size_t to = close == std::u16string_view::npos ? line_.size() : close + 1;
      Mark(at_, to, CssPart::kString);
      at_ = to;
      return;
    }
    const size_t from = at_;
    while (at_ < line_.size() && line_[at_] != u';' && line_[at_] != u'}' &&
           line_[at_] != u'"' && line_[at_] != u'\'' && !Starts(u"/*")) {
      ++at_;
    }
    size_t to = at_;
    while (to > from && IsBlank(line_[to - 1])) --to;
    Mark(from, to, CssPart::kValue);
  }

  std::u16string_view line_;
  CssLineState state_;
  size_t at_ = 0;
  std::vector<CssSpan> spans_;
};

}  // namespace

CssLineState CssLineState::FromInt(int value) {
  if (value < 0) return {};
  return {(value & 1) != 0, (value & 2) != 0, (value & 4) != 0};
}

CssLine ScanCssLine(std::u16string_view line, CssLineState start) {
  return Scanner(line, start).Run();
}

}  // namespace almanix::desktop
