#include "desktop/style_sheet_editor.h"

#include "app/dir.h"
#include "app/encoding.h"
#include "app/file_util.h"
#include "app/ui_seam.h"
#include "settings/publish_editor.h"
#include "settings/style_library.h"

namespace almanix::desktop {
namespace {

std::string WithLineEnds(std::string_view text, bool crlf) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n' && crlf) out += '\r';
    out += c;
  }
  return out;
}

}  // namespace

std::optional<publish::Gallery> GalleryOfControl(std::string_view control) {
  if (control == "Publish.StyleName") return publish::Gallery::kStyles;
  if (control == "Publish.ShowMenu") return publish::Gallery::kTabs;
  if (control == "Publish.ActionBarIndex") return publish::Gallery::kActionBars;
  if (control == "Publish.List") return publish::Gallery::kLists;
  return std::nullopt;
}

StyleSheetEditor::StyleSheetEditor(UiSeam& ui, publish::Gallery gallery, std::string path)
    : ui_(ui), gallery_(gallery), path_(std::move(path)) {}

std::optional<StyleSheetEditor> StyleSheetEditor::ForSelected(const TDir& dir, UiSeam& ui,
                                                              publish::Gallery gallery,
                                                              std::string_view selected) {
  std::string path = publish::SheetToEdit(dir, ui, gallery, selected);
  if (path.empty()) return std::nullopt;
  return StyleSheetEditor(ui, gallery, std::move(path));
}

std::string StyleSheetEditor::Title() const { return "File: " + path_; }

bool StyleSheetEditor::Load() {
  text_.clear();
  crlf_ = true;
  cp1252_ = false;
  Result<std::string> bytes = ReadFileBytes(path_);
  if (!bytes.ok()) {
    ui_.ShowMessage("File not found " + path_);
    return false;
  }
  const std::string& raw = bytes.value();
  cp1252_ = !IsValidUtf8(raw);
  crlf_ = raw.find("\r\n") != std::string::npos || raw.find('\n') == std::string::npos;
  text_ = WithLineEnds(cp1252_ ? Cp1252ToUtf8(raw) : raw, false);
  return true;
}

Status StyleSheetEditor::Save(std::string_view shown) {
  const std::string folder = ParentPath(path_);
  Status status;
  if (!DirectoryExists(folder)) {
    status = Status::NotFound("Cannot write " + path_ + ": its folder is gone");
  } else {
    std::string bytes = WithLineEnds(shown, crlf_);
    // A character the old encoding cannot hold makes the whole file UTF-8.
    if (cp1252_) {
      if (std::optional<std::string> narrow = Utf8ToCp1252(bytes)) bytes = std::move(*narrow);
    }
    status = WriteFileAtomically(path_, bytes);
  }
  if (!status.ok()) {
    ui_.ShowMessage("The style sheet was not saved. " + status.message(), MessageKind::kError);
    return status;
  }
  cp1252_ = cp1252_ && Utf8ToCp1252(shown).has_value();
  text_ = WithLineEnds(shown, false);
  return status;
}

Result<std::string> StyleSheetEditor::Preview(std::string_view shown,
                                              publish::PublishEditor& editor,
                                              generator::GeneratorEnv env) {
  if (Status s = Save(shown); !s.ok()) return s;
  generator::Generator generator(editor, std::move(env));
  if (Status s = generator.PreviewRun(false); !s.ok()) return s;
  if (gallery_ == publish::Gallery::kLists && editor.environment().dir != nullptr) {
    // The generator writes the list's redirect page capitalised.
    const std::string events = FindNoCase(editor.environment().dir->BuildDir, "events.html");
    if (!events.empty()) return events;
  }
  return generator.MainPagePath();
}

bool StyleSheetEditor::SaveAndExit(std::string_view shown) { return Save(shown).ok(); }

bool StyleSheetEditor::Exit(std::string_view shown) {
  if (!Changed(shown)) return true;
  if (ui_.Ask(kSaveChangesQuestion, Buttons::kYesNo, Answer::kYes) != Answer::kYes) return true;
  return Save(shown).ok();
}

}  // namespace almanix::desktop
