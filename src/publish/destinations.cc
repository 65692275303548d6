#include "publish/destinations.h"

#include <filesystem>
#include <system_error>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/ui_seam.h"
#include "generator/generator.h"
#include "publish/publish_editor.h"

namespace almanix::publish {
namespace fs = std::filesystem;

std::string FolderCreateError(std::string_view folder) {
  return "The output '" + std::string(folder) + "' directory does not exit and could not be created";
}

Status CopyBuildFolder(const std::string& build_dir, const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  int failed = 0;
  for (fs::directory_iterator it(build_dir, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path target = fs::path(folder) / it->path().filename();
    std::error_code copy_ec;
    fs::copy(it->path(), target,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                 fs::copy_options::copy_symlinks,
             copy_ec);
    if (copy_ec) ++failed;
  }
  if (ec) return Status::IoError("cannot read " + build_dir + ": " + ec.message());
  if (failed > 0) {
    return Status::IoError(std::to_string(failed) + " files could not be copied to " + folder);
  }
  return Status::Ok();
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
  if (Status s = generator.GenerateCalendar(build_dir, generator.MainPagePath(), ""); !s.ok()) {
    return s;
  }
  std::error_code ec;
  if (!fs::equivalent(build_dir, folder, ec)) {
    if (Status s = CopyBuildFolder(build_dir, folder); !s.ok()) {
      if (ui) ui->ShowMessage(s.message(), MessageKind::kError);
      return s;
    }
  }
  if (options.open_folder) (void)env.dir->ShellOpen(folder);
  return Status::Ok();
}

Status PublishNow(PublishEditor& editor, generator::Generator& generator,
                  const PublishOptions& options) {
  editor.window.chkQuickPreview = false;
  const std::string& destination = editor.settings.Text("Publish.Destination");
  Status status;
  if (destination == "File" || destination.empty()) {
    status = PublishToFolder(editor, generator, options);
  } else {
    status = Status::Invalid("publishing to \"" + destination + "\" is not available yet");
    if (editor.environment().ui) {
      editor.environment().ui->ShowMessage(status.message(), MessageKind::kError);
    }
  }
  if (editor.window.chkAutoUpdate && DirectoryExists(editor.FavoriteFolder())) {
    (void)editor.Save();
  }
  return status;
}

}  // namespace almanix::publish
