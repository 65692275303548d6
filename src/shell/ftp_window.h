#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>

#include "app/status.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace almanix {
class Program;
class UiSeam;
namespace desktop {
class FtpSession;
}
namespace publish {
class PublishEditor;
struct FtpConnectOptions;
struct FtpFolderNode;
}  // namespace publish
}  // namespace almanix

namespace almanix::shell {

class FtpWindowSeam;

// "FTP Status" (TfrmFTP): the account form (host, port, user, password kept
// in the secret store, FTP/FTPS/SFTP, passive), Connect, the server's folder
// tree with "Add Folder", "Publish Here" with its per-file log and progress,
// Cancel, and "Done", which keeps the chosen folder as FTP.Directory. A
// certificate or host key nobody vouches for is shown with its fingerprint
// and can be trusted knowingly for that host.
class FtpWindow : public QDialog {
 public:
  // On the favorite's own settings, read from its folder; "Done" saves them.
  FtpWindow(Program& program, UiSeam& ui, const std::string& favorite, QWidget* parent);
  // On settings a caller holds (the Format & Publish window), which saves
  // them itself; "Done" only sets FTP.Directory there.
  FtpWindow(Program& program, UiSeam& ui, publish::PublishEditor& editor, QWidget* parent);
  ~FtpWindow() override;

  // Run before "Publish Here" sends the build folder: the caller generates
  // the calendar into it. A failed status stops the upload.
  void set_before_upload(std::function<Status()> before) { before_upload_ = std::move(before); }
  // Tests point the client at their own servers.
  void set_connect_options(const publish::FtpConnectOptions& options);

  publish::PublishEditor& editor() { return *editor_; }
  desktop::FtpSession& session() { return *session_; }
  // Whether an operation (connect, tree, upload) is under way.
  bool busy() const { return busy_; }

  // The buttons, as a click runs them.
  void ConnectClicked();
  void AddFolderClicked();
  void PublishHereClicked();
  void TrustClicked();
  void ForgetClicked();
  void DoneClicked();
  void CancelClicked();

 protected:
  void reject() override;

 private:
  void Build();
  void FillForm();
  void ShowTree(const publish::FtpFolderNode& tree);
  void AddNode(QTreeWidgetItem* parent, const publish::FtpFolderNode& node);
  void NodeClicked(QTreeWidgetItem* item);
  void RefreshLog();
  void SetBusy(bool busy);
  void ShowUntrusted();
  friend class FtpWindowSeam;

  Program& program_;
  UiSeam& outer_ui_;
  std::unique_ptr<publish::PublishEditor> own_editor_;
  publish::PublishEditor* editor_ = nullptr;
  std::unique_ptr<FtpWindowSeam> seam_;
  std::unique_ptr<desktop::FtpSession> session_;
  std::function<Status()> before_upload_;
  bool busy_ = false;
  bool closing_ = false;
  int shown_log_lines_ = 0;

  QLineEdit* host_ = nullptr;
  QSpinBox* port_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
  QComboBox* protocol_ = nullptr;
  QCheckBox* passive_ = nullptr;
  QPushButton* connect_ = nullptr;
  QLabel* trust_text_ = nullptr;
  QPushButton* trust_ = nullptr;
  QPushButton* forget_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QLabel* path_ = nullptr;
  QPushButton* add_folder_ = nullptr;
  QPushButton* publish_here_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* progress_text_ = nullptr;
  QPushButton* done_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace almanix::shell
