#include "publish/destinations.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/text.h"
#include "app/tree_copy.h"
#include "app/ui_seam.h"
#include "generator/generator.h"
#include "publish/calendar_url.h"
#include "publish/other_destinations.h"
#include "settings/publish_editor.h"
#include "settings/publish_settings.h"
#include "publish/published_calendar_file.h"

namespace almanix::publish {
namespace fs = std::filesystem;

std::string FolderCreateError(std::string_view folder) {
  return "The output '" + std::string(folder) + "' directory does not exit and could not be created";
}

std::string NothingPublishedMessage(const RunResult& run) {
  return "Nothing was published: " + run.Summary();
}

Status GenerateForPublishing(PublishEditor& editor, generator::Generator& generator) {
  const std::string build_dir = WithTrailingSlash(editor.environment().dir->BuildDir);
  const RunResult run = generator.GenerateCalendar(build_dir, generator.MainPagePath(), "");
  if (run.ok()) return Status::Ok();
  // The person stopped it and knows: nothing is sent, nothing more is said.
  if (run.stop().code() == Status::Code::kCancelled) {
    LogTo(editor.environment().log, false, "Publish.Cancelled");
    return Status::Cancelled(std::string(generator::kRunCancelledMessage));
  }
  const Status failed = run.ToStatus();
  const std::string message = NothingPublishedMessage(run);
  if (UiSeam* ui = editor.environment().ui) ui->ShowMessage(message, MessageKind::kError);
  LogTo(editor.environment().log, true, "Publish.Refused " + message);
  return (failed.code() == Status::Code::kInvalid ? Status::Invalid(message)
                                                 : Status::IoError(message))
      .WithCause(failed.cause());
}

Status CopyBuildFolder(const std::string& build_dir, const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  RunResult copies("files", "could not be copied to " + folder);
  for (fs::directory_iterator it(build_dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    copies.Step(name, CopyTreeEntry(build_dir, folder, name));
  }
  if (ec) {
    return Status::IoError("cannot read " + build_dir + ": " + ec.message()).WithCause(ec.message());
  }
  return copies.ToStatus();
}

Status PublishToFolder(PublishEditor& editor, generator::Generator& generator,
                       const PublishOptions& options) {
  const PublishEnvironment& env = editor.environment();
  UiSeam* ui = env.ui;
  const std::string folder = WithTrailingSlash(editor.settings.Text("Publish.DirName"));
  if (!DirectoryExists(folder) && !TDir::EnsureDir(folder).ok()) {
    const std::string message = FolderCreateError(folder);
    if (ui) ui->ShowMessage(message, MessageKind::kError);
    return Status::IoError(message);
  }
  const std::string build_dir = WithTrailingSlash(env.dir->BuildDir);
  if (Status s = GenerateForPublishing(editor, generator); !s.ok()) return s;
  std::error_code ec;
  if (!fs::equivalent(build_dir, folder, ec)) {
    if (Status s = CopyBuildFolder(build_dir, folder); !s.ok()) {
      if (ui) ui->ShowMessage(s.message(), MessageKind::kError);
      return s;
    }
  }
  if (options.open_folder) {
    IgnoreResult(env.dir->ShellOpen(folder), "the calendar is published; the view is a courtesy");
  }
  return Status::Ok();
}

namespace {

constexpr char kCalendarFileError[] = "Could not save the Calendar.cal file";

// "calendar.cal" for the upload: the calendar is packed with the favorite's
// settings as they are now, into a private scratch folder; the copy that
// goes into the build folder has every login taken out. The working
// directory itself keeps its settings as they are.
Status WriteUploadCalendarFile(PublishEditor& editor, const std::string& path,
                               const PublishOptions& options) {
  if (!options.save_calendar_file) return Status::Invalid(kCalendarFileError);
  const PublishEnvironment& env = editor.environment();
  TDir& dir = *env.dir;
  Status status = editor.Save();
  const std::string scratch = WithTrailingSlash(dir.TempDir) + "almanix-published-cal-" +
                              std::to_string(::getpid()) + "/";
  const std::string packed = scratch + "packed.cal";
  if (status.ok()) status = EnsurePrivateDir(scratch);
  if (status.ok()) {
    // Packing a calendar makes it the open one; this copy is only a file.
    const std::string open_file = dir.CalendarFile;
    status = options.save_calendar_file(packed);
    dir.CalendarFile = open_file;
  }
  if (status.ok()) {
    status = WritePublishedCalendarFile(packed, path, scratch + "copy/", env.secrets);
  }
  std::error_code ec;
  fs::remove_all(scratch, ec);
  if (!status.ok() && env.log != nullptr) {
    env.log->Error("Publish.CalendarFile " + status.message());
  }
  return status.ok() ? status : Status::IoError(kCalendarFileError);
}

}  // namespace

Status PublishToWebsite(PublishEditor& editor, generator::Generator& generator,
                        const PublishOptions& options) {
  const PublishEnvironment& env = editor.environment();
  UiSeam* ui = env.ui;
  if (ui == nullptr) return Status::Invalid("the upload needs a user interface");
  const std::string build_dir = WithTrailingSlash(env.dir->BuildDir);
  // Nothing is uploaded from a build folder with a missing or empty file.
  if (Status s = GenerateForPublishing(editor, generator); !s.ok()) return s;
  if (editor.settings.Bool("FTP.CalendarFile")) {
    // A failure is shown and the upload goes on without the file.
    if (Status s = WriteUploadCalendarFile(editor, build_dir + "calendar.cal", options);
        !s.ok()) {
      ui->ShowMessage(kCalendarFileError, MessageKind::kError);
    }
  }
  FtpUploadSettings settings = FtpUploadSettingsFrom(editor.settings);
  // The keys the person trusted in the FTP window hold here too.
  if (settings.connection.trust_file.empty() && !env.dir->FtpDir.empty()) {
    settings.connection.trust_file = TrustStoreFile(env.dir->FtpDir);
  }
  std::unique_ptr<FtpEngine> engine = options.make_ftp_engine
                                          ? options.make_ftp_engine(settings.connection)
                                          : MakeCurlFtpEngine(settings.connection);
  FtpUploadOptions ftp = options.ftp;
  // Beside the working directory, which is a temporary folder while a
  // calendar file is open.
  if (ftp.record_dir.empty()) ftp.record_dir = env.dir->FtpDir;
  FtpUpload upload(*engine, *ui, env.log, std::move(settings), std::move(ftp));
  FtpUploadResult result = upload.PublishFiles(build_dir);
  if (result.chosen_folder) editor.settings.SetText("FTP.Directory", Trim(*result.chosen_folder));
  // The public address the calendar now has, guessed from the host and the
  // folder it went to.
  AddCandidateAddresses(editor.settings, editor.window);
  // The upload has shown why; the result only sums it up.
  if (!result.connected) return Status::IoError("the calendar was not uploaded");
  if (result.cancelled) return Status::Cancelled("the upload was cancelled");
  if (result.failed > 0) {
    return Status::IoError(std::to_string(result.failed) + " files could not be uploaded");
  }
  if (!result.uploaded) return Status::IoError("the calendar was not uploaded");
  return Status::Ok();
}

Status PublishNow(PublishEditor& editor, generator::Generator& generator,
                  const PublishOptions& options) {
  editor.window.chkQuickPreview = false;
  const std::string& destination = editor.settings.Text("Publish.Destination");
  Status status;
  if (destination == "File" || destination.empty()) {
    status = PublishToFolder(editor, generator, options);
  } else if (destination == "Webserver") {
    status = PublishToWebsite(editor, generator, options);
  } else if (destination == "Printer") {
    status = PublishToPrinter(editor, generator, options.desktop);
  } else if (destination == "HomePage") {
    status = PublishToHomePage(editor, generator, options.desktop);
  } else if (destination == "Desktop") {
    status = PublishToDesktop(editor, generator, options.desktop);
  } else {
    status = Status::Invalid("there is no destination \"" + destination +
                             "\": choose File, Webserver, Printer, HomePage or Desktop");
    if (editor.environment().ui) {
      editor.environment().ui->ShowMessage(status.message(), MessageKind::kError);
    }
  }
  if (editor.window.chkAutoUpdate && DirectoryExists(editor.FavoriteFolder())) {
    IgnoreResult(editor.Save(), "a failed save shows its own message");
  }
  return status;
}

}  // namespace almanix::publish
