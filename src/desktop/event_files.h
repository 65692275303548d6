#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/status.h"

namespace almanix::desktop {

class EventEditor;

// The picture work the editor needs of an image codec; the desktop does it
// with its image library. Both write JPEG at quality 100, progressive.
class PictureWorks {
 public:
  virtual ~PictureWorks() = default;
  // The picture drawn scaled to fit width x height keeping its proportions,
  // centred on a canvas of exactly that size.
  virtual Status ScaleJpegTo(const std::string& from, const std::string& to, int width,
                             int height) = 0;
  // The icon drawn at drawn_at x drawn_at on white, then scaled to size x
  // size when the two differ (the chooser's "Convert").
  virtual Status RenderIcon(const std::string& from, int drawn_at, int size,
                            const std::string& to_jpeg) = 0;
};

// The file dialogs' titles, filters and the icon chooser's sizes.
inline constexpr char kIconDialogTitle[] = "Select an Icon";
inline constexpr char kIconFilter[] =
    "Picture (*.*)|*.*|Icon (*.ico)|*.ico|GIF Files (*.gif)|*.gif|JPG Files (*.jpg)|*.jpg|"
    "PNG Files (*.png)|*.png";
inline constexpr char kPhotoFilter[] =
    "Picture (*.*)|*.*|GIF Files (*.gif)|*.gif|JPG Files (*.jpg)|*.jpg|PNG Files (*.png)|*.png";
inline constexpr char kLinkDialogTitle[] = "Select a File you want to link";
inline constexpr char kLinkFilter[] =
    "File (*.*)|*.*|html (*.html)|*.html|htm Files (*.htm)|*.htm|Text Files (*.txt)|*.txt";
inline constexpr char kIconChooserTitle[] = "Choose icon";
inline constexpr int kScrollPhotoWidth = 120;
inline constexpr int kScrollPhotoHeight = 70;
inline constexpr int kSlidePhotoWidth = 480;
inline constexpr int kSlidePhotoHeight = 320;

enum class PhotoSlot { kScroll, kSlide };

// The icon chooser's answer: the size saved (16 or 32) and the size the icon
// was drawn at before ("Convert" draws one size from the other's rendering).
struct IconChoice {
  int size = 16;
  int drawn_at = 16;
};

// The icon, photo and link-to-file commands of the editor: files copied or
// converted into IncludeDir, the row's names set in the editor's values.
// Each command takes the file the person picked; the Pick forms ask
// through the seam first.
class EventFiles {
 public:
  EventFiles(EventEditor& editor, PictureWorks& works) : editor_(editor), works_(works) {}

  // The icon chooser ("Choose icon"): given the icon file, the chosen
  // rendering, nullopt on "Cancel". The desktop shows both renderings;
  // without it the seam's choice of "16x16" or "32x32" is asked.
  using ChooseIcon = std::function<std::optional<IconChoice>(const std::string& icon)>;
  void set_choose_icon(ChooseIcon choose) { choose_icon_ = std::move(choose); }

  // "load icon". An ".ico" is offered at 16 and 32 pixels and saved as a
  // JPEG under its name with ".jpg"; other pictures are copied.
  Status LoadIcon(const std::string& path);
  Status PickIcon();
  void ClearIcon();

  // "&Find" of the scroll photo (and of the hidden slideshow page).
  Status FindPhoto(const std::string& path, PhotoSlot slot);
  Status PickPhoto(PhotoSlot slot);
  void ClearPhoto(PhotoSlot slot);

  // "link to a file ...".
  Status LinkFile(const std::string& path);
  Status PickLinkFile();
  // The "clear" link beside it.
  void ClearLink();
  // "Attached Files".
  Status OpenAttachedFiles();

 private:
  std::string Target(const std::string& name) const;

  EventEditor& editor_;
  PictureWorks& works_;
  ChooseIcon choose_icon_;
};

}  // namespace almanix::desktop
