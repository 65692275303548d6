#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/command_runner.h"
#include "platform/wallpaper.h"

// Setting the wallpaper on the Linux desktops: which desktop runs (from
// XDG_CURRENT_DESKTOP), which commands set a picture there, and what the
// person is told when it cannot be done.
namespace almanix::platform {

enum class DesktopKind { kUnknown, kGnome, kKde, kXfce };

using Argv = std::vector<std::string>;

// XDG_CURRENT_DESKTOP is a ":"-separated list, most specific first
// ("ubuntu:GNOME"); the first entry the program knows decides. Desktops
// built on GNOME's settings (Unity, Budgie, Pantheon) count as GNOME.
DesktopKind DetectDesktop(std::string_view xdg_current_desktop);
std::string DesktopName(DesktopKind kind);

// "file://" + the path with every byte outside the unreserved set and "/"
// percent-encoded.
std::string FileUri(std::string_view path);

// GNOME: picture-uri, picture-uri-dark (GNOME 42 and later show that one with
// a dark style), and picture-options "centered" (shown once, not tiled).
std::vector<Argv> GnomeWallpaperCommands(const std::string& picture);
// KDE Plasma 5.24 and later.
Argv KdeWallpaperCommand(const std::string& picture);
// XFCE keeps one picture per monitor and workspace: the list command gives
// the properties, XfceImageProperties picks the "last-image" ones (the first
// monitor's when none is listed yet) and XfceWallpaperCommands sets each and
// its style (1: centred).
Argv XfceListCommand();
std::vector<std::string> XfceImageProperties(std::string_view list_output);
std::vector<Argv> XfceWallpaperCommands(const std::vector<std::string>& properties,
                                        const std::string& picture);

// Whether a failed command may be passed over: GNOME before 42 has no
// picture-uri-dark key.
bool OptionalFailure(const Argv& command, const CommandOutcome& outcome);

// The messages. Each names the picture, so the person can set it by hand.
std::string UnknownDesktopMessage(std::string_view xdg_current_desktop,
                                  const std::string& picture);
std::string CommandMissingMessage(std::string_view program, const std::string& picture);
std::string CommandFailedMessage(const Argv& command, const CommandOutcome& outcome,
                                 const std::string& picture);

// The desktop's WallpaperSetter: copies the picture into keep_dir (the
// desktops refer to the file, and the build folder is emptied by the next
// run), alternating between two names so the desktop sees a new address and
// loads it, sets it with the commands of the running desktop, and records
// it in the value store.
class DesktopWallpaper : public WallpaperSetter {
 public:
  // runner must outlive this.
  DesktopWallpaper(CommandRunner& runner, std::string xdg_current_desktop, std::string keep_dir,
                   std::string store_path);
  Status SetWallpaper(const std::string& picture_path) override;

  // The copy the last call made (empty before).
  const std::string& kept_picture() const { return kept_; }

 private:
  Status RunAll(const std::vector<Argv>& commands);
  Result<std::string> Keep(const std::string& picture_path);

  CommandRunner& runner_;
  std::string desktop_;
  std::string keep_dir_;
  std::string store_path_;
  std::string kept_;
};

}  // namespace almanix::platform
