#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/run_result.h"
#include "app/status.h"
#include "publish/ftp_upload.h"
#include "publish/other_destinations.h"

namespace almanix::generator {
class Generator;
}

// Where "Publish Now" sends the generated calendar, chosen by
// Publish.Destination.
namespace almanix::publish {

class PublishEditor;

// "The output '" + folder + "' directory does not exit and could not be
// created".
std::string FolderCreateError(std::string_view folder);

// "Nothing was published: " + the run's summary: a run with a failed step
// sends, copies and prints nothing, so the live calendar keeps its files.
std::string NothingPublishedMessage(const RunResult& run);

// The run every destination starts with, into the build folder. When any of
// its steps failed the reason is shown (NothingPublishedMessage) and
// returned, and the destination must go no further.
Status GenerateForPublishing(PublishEditor& editor, generator::Generator& generator);

struct PublishOptions {
  // Open the folder in the file manager afterwards (the desktop does; the
  // command line prints where it went instead).
  bool open_folder = true;
  // "Website": the FTP client; the libcurl one when unset.
  std::function<std::unique_ptr<FtpEngine>(const FtpConnectOptions&)> make_ftp_engine;
  // "Website": how the upload answers and reports (its upload records are
  // kept in TDir's FtpDir unless record_dir names another folder).
  FtpUploadOptions ftp;
  // "Website" with FTP.CalendarFile: packs the working directory into the
  // file named. Without it no calendar file can be made.
  std::function<Status(const std::string& path)> save_calendar_file;
  // "Printer", "HomePage", "Desktop": the desktop program's printer, start
  // page, capture and wallpaper; unset ones say they need the desktop.
  DesktopServices desktop;
};

// "Folder": generates into the build folder, then copies its contents into
// Publish.DirName (made when missing) unless that is the build folder.
Status PublishToFolder(PublishEditor& editor, generator::Generator& generator,
                       const PublishOptions& options);

// "Website": generates into the build folder, adds "calendar.cal" when
// FTP.CalendarFile is on (the calendar with the favorite saved, packed and
// then copied without any login: WritePublishedCalendarFile), uploads the build
// folder, and takes the folder the upload chose, trimmed, as FTP.Directory.
// Fails when the upload did not connect, was cancelled, or a file failed.
Status PublishToWebsite(PublishEditor& editor, generator::Generator& generator,
                        const PublishOptions& options);

// Copies everything in the build folder into the folder, merging with what
// is there and replacing files of the same name.
Status CopyBuildFolder(const std::string& build_dir, const std::string& folder);

// "Publish Now": quick preview off, the action of the chosen destination,
// then the settings saved into the favorite folder when chkAutoUpdate is
// ticked.
Status PublishNow(PublishEditor& editor, generator::Generator& generator,
                  const PublishOptions& options);

}  // namespace almanix::publish
