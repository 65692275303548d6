#include "desktop/note_markup.h"

#include "app/text.h"
#include "desktop/day_commands.h"

namespace almanix::desktop {

namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool IsNameChar(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u'-' || c == u'_' || c == u':' || c == u'!';
}

class LineScanner {
 public:
  LineScanner(std::u16string_view line, HtmlLineState state) : line_(line), state_(state) {}

  HtmlLine Run() {
    while (at_ < Size()) {
      switch (state_) {
        case HtmlLineState::kText: Text(); break;
        case HtmlLineState::kTag: Tag(); break;
        case HtmlLineState::kDoubleQuoted: Quoted(u'"'); break;
        case HtmlLineState::kSingleQuoted: Quoted(u'\''); break;
        case HtmlLineState::kComment: Comment(); break;
      }
    }
    out_.end = state_;
    return std::move(out_);
  }

 private:
  int Size() const { return static_cast<int>(line_.size()); }
  char16_t At(int i) const { return line_[static_cast<size_t>(i)]; }

  void Mark(int from, int to, HtmlPart part) {
    if (to > from) out_.spans.push_back({from, to - from, part});
  }

  void Text() {
    if (At(at_) == u'<') {
      if (line_.substr(static_cast<size_t>(at_)).rfind(u"<!--", 0) == 0) {
        state_ = HtmlLineState::kComment;
        Mark(at_, at_ + 4, HtmlPart::kComment);
        at_ += 4;
        return;
      }
      // The bracket, an optional slash and the tag's name.
      int from = at_++;
      if (at_ < Size() && At(at_) == u'/') ++at_;
      while (at_ < Size() && IsNameChar(At(at_))) ++at_;
      Mark(from, at_, HtmlPart::kTag);
      state_ = HtmlLineState::kTag;
      return;
    }
    if (At(at_) == u'&') {
      int end = at_ + 1;
      while (end < Size() && end - at_ <= 10 && (IsNameChar(At(end)) || At(end) == u'#')) ++end;
      if (end < Size() && At(end) == u';' && end > at_ + 1) {
        Mark(at_, end + 1, HtmlPart::kEntity);
        at_ = end + 1;
        return;
      }
    }
    ++at_;
  }

  void Tag() {
    char16_t c = At(at_);
    if (IsSpace(c) || c == u'=') {
      ++at_;
    } else if (c == u'>' || (c == u'/' && at_ + 1 < Size() && At(at_ + 1) == u'>')) {
      int from = at_;
      at_ += c == u'>' ? 1 : 2;
      Mark(from, at_, HtmlPart::kTag);
      state_ = HtmlLineState::kText;
    } else if (c == u'"' || c == u'\'') {
      Mark(at_, at_ + 1, HtmlPart::kValue);
      ++at_;
      state_ = c == u'"' ? HtmlLineState::kDoubleQuoted : HtmlLineState::kSingleQuoted;
    } else {
      // An attribute's name, or an unquoted value after an equals sign.
      bool value = at_ > 0 && At(at_ - 1) == u'=';
      int from = at_;
      while (at_ < Size() && !IsSpace(At(at_)) && At(at_) != u'>' && At(at_) != u'=' &&
             !(At(at_) == u'/' && at_ + 1 < Size() && At(at_ + 1) == u'>')) {
        ++at_;
      }
      if (at_ == from) ++at_;
      Mark(from, at_, value ? HtmlPart::kValue : HtmlPart::kAttribute);
    }
  }

  void Quoted(char16_t quote) {
    int from = at_;
    while (at_ < Size() && At(at_) != quote) ++at_;
    if (at_ < Size()) {
      ++at_;
      state_ = HtmlLineState::kTag;
    }
    Mark(from, at_, HtmlPart::kValue);
  }

  void Comment() {
    size_t end = line_.find(u"-->", static_cast<size_t>(at_));
    int to = end == std::u16string_view::npos ? Size() : static_cast<int>(end) + 3;
    Mark(at_, to, HtmlPart::kComment);
    at_ = to;
    if (end != std::u16string_view::npos) state_ = HtmlLineState::kText;
  }

  std::u16string_view line_;
  HtmlLineState state_;
  int at_ = 0;
  HtmlLine out_;
};

}  // namespace

HtmlLine ScanHtmlLine(std::u16string_view line, HtmlLineState start) {
  return LineScanner(line, start).Run();
}

const std::vector<std::string>& NoteTagInsertions() {
  static const std::vector<std::string> kTags = {"<i></i>", "<u></u>", "<b></b>", "<br>"};
  return kTags;
}

std::optional<std::string> LinkInsertion(const LinkInput& input) {
  std::string url = Trim(input.url);
  if (url.empty()) return std::nullopt;
  return DayCommands::LinkAnchor(url, input.description, input.underline);
}

std::string NoteDayHeader(int day, std::string_view month_name) {
  return std::to_string(day) + " " + std::string(month_name);
}

}  // namespace almanix::desktop
