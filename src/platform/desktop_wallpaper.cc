#include "platform/desktop_wallpaper.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "app/file_util.h"
#include "app/text.h"
#include "platform/value_store.h"

namespace almanix::platform {
namespace {

constexpr std::string_view kXfceChannel = "xfce4-desktop";
constexpr std::string_view kXfceFirstMonitor = "/backdrop/screen0/monitor0/workspace0/last-image";
constexpr std::string_view kLastImage = "/last-image";

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string Joined(const Argv& command) {
  std::string out;
  for (const std::string& part : command) {
    if (!out.empty()) out += ' ';
    out += part;
  }
  return out;
}

std::string Extension(const std::string& path) {
  const std::string name = BaseName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot);
}

}  // namespace

DesktopKind DetectDesktop(std::string_view xdg_current_desktop) {
  for (const std::string& raw : Split(xdg_current_desktop, ':')) {
    const std::string name = ToLower(Trim(raw));
    if (name == "gnome" || name == "gnome-classic" || name == "gnome-flashback" ||
        name == "unity" || name == "budgie" || name == "pantheon") {
      return DesktopKind::kGnome;
    }
    if (name == "kde") return DesktopKind::kKde;
    if (name == "xfce") return DesktopKind::kXfce;
  }
  return DesktopKind::kUnknown;
}

std::string DesktopName(DesktopKind kind) {
  switch (kind) {
    case DesktopKind::kGnome:
      return "GNOME";
    case DesktopKind::kKde:
      return "KDE";
    case DesktopKind::kXfce:
      return "XFCE";
    case DesktopKind::kUnknown:
      break;
  }
  return "an unknown desktop";
}

std::string FileUri(std::string_view path) {
  std::string uri = "file://";
  for (const unsigned char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      uri += hex;
    }
  }
  return uri;
}

std::vector<Argv> GnomeWallpaperCommands(const std::string& picture) {
  const std::string uri = FileUri(picture);
  const std::string schema = "org.gnome.desktop.background";
  return {{"gsettings", "set", schema, "picture-uri", uri},
          {"gsettings", "set", schema, "picture-uri-dark", uri},
          {"gsettings", "set", schema, "picture-options", "centered"}};
}

Argv KdeWallpaperCommand(const std::string& picture) {
  return {"plasma-apply-wallpaperimage", picture};
}

Argv XfceListCommand() { return {"xfconf-query", "-c", std::string(kXfceChannel), "-l"}; }

std::vector<std::string> XfceImageProperties(std::string_view list_output) {
  std::vector<std::string> properties;
  for (const std::string& raw : Split(list_output, '\n')) {
    const std::string line = Trim(raw);
    if (line.rfind("/backdrop/", 0) == 0 && EndsWith(line, kLastImage)) {
      properties.push_back(line);
    }
  }
  if (properties.empty()) properties.emplace_back(kXfceFirstMonitor);
  return properties;
}

std::vector<Argv> XfceWallpaperCommands(const std::vector<std::string>& properties,
                                        const std::string& picture) {
  std::vector<Argv> commands;
  const std::string channel(kXfceChannel);
  for (const std::string& property : properties) {
    // -n makes a property that is not there yet.
    commands.push_back(
        {"xfconf-query", "-c", channel, "-p", property, "-n", "-t", "string", "-s", picture});
    const std::string style =
        property.substr(0, property.size() - kLastImage.size()) + "/image-style";
    commands.push_back({"xfconf-query", "-c", channel, "-p", style, "-n", "-t", "int", "-s", "1"});
  }
  return commands;
}

bool OptionalFailure(const Argv& command, const CommandOutcome& outcome) {
  return outcome.started && command.size() >= 4 && command[0] == "gsettings" &&
         command[3] == "picture-uri-dark" &&
         outcome.output.find("No such key") != std::string::npos;
}

std::string UnknownDesktopMessage(std::string_view xdg_current_desktop,
                                  const std::string& picture) {
  const std::string named = Trim(xdg_current_desktop).empty()
                                ? std::string("no desktop is named (XDG_CURRENT_DESKTOP is empty)")
                                : "the desktop \"" + std::string(xdg_current_desktop) +
                                      "\" is not one it knows (GNOME, KDE or XFCE)";
  return "The wallpaper was not set: " + named +
         ". The picture of the calendar is " + picture + "; set it as the wallpaper in your "
         "desktop's settings.";
}

std::string CommandMissingMessage(std::string_view program, const std::string& picture) {
  return "The wallpaper was not set: the command " + std::string(program) +
         " was not found. The picture of the calendar is " + picture + ".";
}

std::string CommandFailedMessage(const Argv& command, const CommandOutcome& outcome,
                                 const std::string& picture) {
  std::string why = Trim(outcome.output);
  if (why.empty()) {
    why = outcome.exit_code >= 0 ? "exit status " + std::to_string(outcome.exit_code)
                                 : std::string("it did not end normally");
  }
  return "The wallpaper was not set: \"" + Joined(command) + "\" failed: " + why +
         "\nThe picture of the calendar is " + picture + ".";
}

DesktopWallpaper::DesktopWallpaper(CommandRunner& runner, std::string xdg_current_desktop,
                                   std::string keep_dir, std::string store_path)
    : runner_(runner),
      desktop_(std::move(xdg_current_desktop)),
      keep_dir_(WithTrailingSlash(keep_dir)),
      store_path_(std::move(store_path)) {}

Result<std::string> DesktopWallpaper::Keep(const std::string& picture_path) {
  Result<std::string> bytes = ReadFileBytes(picture_path);
  if (!bytes.ok()) return Status::NotFound("The wallpaper picture was not made: " + picture_path);
  const std::string ext = Extension(picture_path);
  const std::string a = keep_dir_ + "almanix-wallpaper-a" + ext;
  const std::string b = keep_dir_ + "almanix-wallpaper-b" + ext;
  // A new name each time: a desktop given the address it shows already
  // keeps the old picture.
  std::error_code ec;
  std::filesystem::create_directories(keep_dir_, ec);
  const bool use_b = FileExists(a);
  const std::string target = use_b ? b : a;
  const std::string old = use_b ? a : b;
  if (Status written = WriteFileAtomically(target, bytes.value()); !written.ok()) {
    return Status::IoError("The wallpaper picture could not be kept as " + target + ": " +
                           written.message());
  }
  std::remove(old.c_str());
  return target;
}

Status DesktopWallpaper::RunAll(const std::vector<Argv>& commands) {
  for (const Argv& command : commands) {
    const CommandOutcome outcome = runner_.Run(command);
    if (outcome.ok() || OptionalFailure(command, outcome)) continue;
    if (!outcome.started) return Status::NotFound(CommandMissingMessage(command[0], kept_));
    return Status::IoError(CommandFailedMessage(command, outcome, kept_));
  }
  return Status::Ok();
}

Status DesktopWallpaper::SetWallpaper(const std::string& picture_path) {
  Result<std::string> kept = Keep(picture_path);
  if (!kept.ok()) return kept.status();
  kept_ = kept.value();

  const DesktopKind kind = DetectDesktop(desktop_);
  Status status;
  switch (kind) {
    case DesktopKind::kGnome:
      status = RunAll(GnomeWallpaperCommands(kept_));
      break;
    case DesktopKind::kKde:
      status = RunAll({KdeWallpaperCommand(kept_)});
      break;
    case DesktopKind::kXfce: {
      const Argv list = XfceListCommand();
      const CommandOutcome listed = runner_.Run(list);
      if (!listed.started) {
        status = Status::NotFound(CommandMissingMessage(list[0], kept_));
      } else if (listed.exit_code != 0) {
        status = Status::IoError(CommandFailedMessage(list, listed, kept_));
      } else {
        status = RunAll(XfceWallpaperCommands(XfceImageProperties(listed.output), kept_));
      }
      break;
    }
    case DesktopKind::kUnknown:
      status = Status::Invalid(UnknownDesktopMessage(desktop_, kept_));
      break;
  }
  if (status.ok()) {
    constexpr char kWhy[] = "the record is a convenience; the wallpaper is set all the same";
    IgnoreResult(RecordValue(store_path_, "Desktop", "Wallpaper", kept_), kWhy);
    IgnoreResult(RecordValue(store_path_, "Desktop", "WallpaperDesktop", DesktopName(kind)), kWhy);
  }
  return status;
}

}  // namespace almanix::platform
