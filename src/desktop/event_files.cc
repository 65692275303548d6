#include "desktop/event_files.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/startup.h"
#include "app/text.h"
#include "app/ui_seam.h"
#include "desktop/event_editor.h"

namespace almanix::desktop {

namespace {

namespace fs = std::filesystem;

std::string LowerExtension(const std::string& name) {
  size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : ToLower(name.substr(dot));
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

// Copies over an existing file; a file copied onto itself is already there.
bool CopyOver(const std::string& from, const std::string& to) {
  if (SameFile(from, to)) return true;
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return !ec;
}

// A link's URL names a file of the include folder only when it is a bare
// name; anything else is never deleted from there.
bool IsBareFileName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string_view::npos;
}

}  // namespace

std::string EventFiles::Target(const std::string& name) const {
  return editor_.include_dir() + name;
}

Status EventFiles::LoadIcon(const std::string& path) {
  if (!FileExists(path)) return Status::NotFound(path + " does not exist");
  TDir::EnsureDirQuiet(editor_.include_dir());
  EventValues& v = editor_.values();
  const std::string name = BaseName(path);
  v.icon_name = name;
  if (LowerExtension(name) != ".ico") {
    // Failed copies are silent: the box then shows no picture.
    if (!CopyOver(path, Target(name))) return Status::IoError("Could not copy " + path);
    return Status::Ok();
  }
  // An icon is drawn into a JPEG of its own name; a cancelled chooser
  // keeps that name.
  v.icon_name = StemName(name) + ".jpg";
  std::optional<IconChoice> choice;
  if (choose_icon_) {
    choice = choose_icon_(path);
  } else if (std::optional<int> size =
                 editor_.ui().Choose(kIconChooserTitle, {"16x16", "32x32"}, 0)) {
    const int pixels = *size == 0 ? 16 : 32;
    choice = IconChoice{pixels, pixels};
  }
  if (!choice) return Status::Cancelled("icon not chosen");
  Status s = works_.RenderIcon(path, choice->drawn_at, choice->size, Target(v.icon_name));
  if (!s.ok()) editor_.ui().ShowMessage("Could not convert icon 16", MessageKind::kError);
  return s;
}

Status EventFiles::PickIcon() {
  const std::string start = editor_.app().dir ? editor_.app().dir->EventIconsDir : "";
  std::optional<std::string> path =
      editor_.ui().PickPath(PickKind::kOpenFile, kIconDialogTitle, start);
  if (!path) return Status::Ok();
  return LoadIcon(*path);
}

void EventFiles::ClearIcon() { editor_.values().icon_name.clear(); }

Status EventFiles::FindPhoto(const std::string& path, PhotoSlot slot) {
  if (!FileExists(path)) return Status::NotFound(path + " does not exist");
  EventValues& v = editor_.values();
  if (slot == PhotoSlot::kScroll) v.scroll_show = true;
  TDir::EnsureDirQuiet(editor_.include_dir());
  const std::string name = BaseName(path);
  const std::string target = Target(name);
  if (FileExists(target) &&
      editor_.ui().Ask("File with this name already exists in the attachments folder ... replace?",
                       Buttons::kYesNo, Answer::kNo) != Answer::kYes) {
    return Status::Cancelled("not replaced");
  }
  const std::string ext = LowerExtension(name);
  Status s = Status::Ok();
  if (ext == ".jpg" || ext == ".jpeg") {
    const bool scroll = slot == PhotoSlot::kScroll;
    s = works_.ScaleJpegTo(path, target, scroll ? kScrollPhotoWidth : kSlidePhotoWidth,
                           scroll ? kScrollPhotoHeight : kSlidePhotoHeight);
  } else if (!CopyOver(path, target)) {
    // PNG and GIF pictures are taken as they are: they must have the size.
    s = Status::IoError("Could not copy " + path);
  }
  // Failures are silent, but the event never names a picture that is not
  // there.
  if (!s.ok()) return s;
  (slot == PhotoSlot::kScroll ? v.scroll_photo : v.slide_photo) = name;
  return Status::Ok();
}

Status EventFiles::PickPhoto(PhotoSlot slot) {
  const std::string start = editor_.app().dir ? editor_.app().dir->EventIconsDir : "";
  std::optional<std::string> path =
      editor_.ui().PickPath(PickKind::kOpenFile, kIconDialogTitle, start);
  if (!path) return Status::Ok();
  return FindPhoto(*path, slot);
}

void EventFiles::ClearPhoto(PhotoSlot slot) {
  (slot == PhotoSlot::kScroll ? editor_.values().scroll_photo : editor_.values().slide_photo)
      .clear();
}

Status EventFiles::LinkFile(const std::string& path) {
  EventValues& v = editor_.values();
  const std::string name = BaseName(path);
  TDir::EnsureDirQuiet(editor_.include_dir());
  if (!FileExists(path) || !CopyOver(path, Target(name))) {
    editor_.ui().ShowMessage("File could not be linked", MessageKind::kError);
    v.url = "http://";
    v.link_description.clear();
    return Status::IoError("File could not be linked");
  }
  v.url = name;
  v.link_description = StemName(name);
  return Status::Ok();
}

Status EventFiles::PickLinkFile() {
  std::optional<std::string> path =
      editor_.ui().PickPath(PickKind::kOpenFile, kLinkDialogTitle, "/");
  if (!path) return Status::Ok();
  return LinkFile(*path);
}

void EventFiles::ClearLink() {
  EventValues& v = editor_.values();
  // A web address is the person's own link, not a linked file.
  if (v.url.find("www.") != std::string::npos) return;
  if (IsBareFileName(v.url) && FileExists(Target(v.url))) {
    std::error_code ec;
    fs::remove(Target(v.url), ec);
  }
  v.link_description.clear();
  v.url = "http://";
}

Status EventFiles::OpenAttachedFiles() {
  if (!editor_.app().dir) return Status::NotFound("no folders");
  return editor_.app().dir->ShellOpen(editor_.include_dir());
}

}  // namespace almanix::desktop
