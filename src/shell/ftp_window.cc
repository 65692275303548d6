#include "shell/ftp_window.h"

#include <algorithm>
#include <ctime>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/config.h"
#include "app/dir.h"
#include "app/file_util.h"
#include "app/log.h"
#include "app/ui_seam.h"
#include "desktop/ftp_session.h"
#include "program/program.h"
#include "publish/calendar_url.h"
#include "settings/publish_editor.h"
#include "shell/calendar_address_window.h"

namespace almanix::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

int ThisYear() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_year + 1900;
}

}  // namespace

// Messages and questions go to the program's seam (dialogs, or a test's
// script); the progress, the log and the waits are the window's own.
class FtpWindowSeam : public UiSeam {
 public:
  FtpWindowSeam(FtpWindow& window, UiSeam& outer) : window_(window), outer_(outer) {}

  void ShowMessage(std::string_view text, MessageKind kind) override {
    window_.RefreshLog();
    outer_.ShowMessage(text, kind);
  }
  Answer Ask(std::string_view text, Buttons buttons, Answer default_answer) override {
    window_.RefreshLog();
    return outer_.Ask(text, buttons, default_answer);
  }
  std::optional<int> Choose(std::string_view prompt, const std::vector<std::string>& choices,
                            int default_index) override {
    return outer_.Choose(prompt, choices, default_index);
  }
  void Progress(int done, int total) override { ProgressDetail(done, total, ""); }
  void ProgressDetail(int done, int total, std::string_view detail) override {
    window_.progress_->setVisible(total > 0);
    window_.progress_->setMaximum(total > 0 ? total : 1);
    window_.progress_->setValue(done);
    window_.progress_text_->setText(QString::fromUtf8(detail.data(),
                                                      static_cast<qsizetype>(detail.size())));
    ProcessEvents();
  }
  void ProcessEvents() override {
    window_.RefreshLog();
    // Clicks on Cancel get through while a transfer runs.
    QCoreApplication::processEvents();
  }
  std::optional<std::string> PickPath(PickKind kind, std::string_view caption,
                                      std::string_view start) override {
    return outer_.PickPath(kind, caption, start);
  }
  std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                     std::string_view initial) override {
    return outer_.AskText(caption, prompt, initial);
  }

 private:
  FtpWindow& window_;
  UiSeam& outer_;
};

FtpWindow::FtpWindow(Program& program, UiSeam& ui, const std::string& favorite, QWidget* parent)
    : QDialog(parent), program_(program), outer_ui_(ui) {
  own_editor_ = std::make_unique<publish::PublishEditor>(
      *program.app.dir, program.app.config->Country, program.app.log.get(), &ui);
  // The favorite's settings as saved; a missing favorite starts from the
  // defaults and is made by "Done".
  Status loaded = own_editor_->SetUp(program.data.db(), ThisYear(), favorite, 1);
  if (!loaded.ok() && program.app.log) {
    program.app.log->Error("FTP.Load " + loaded.message());
  }
  editor_ = own_editor_.get();
  Build();
}

FtpWindow::FtpWindow(Program& program, UiSeam& ui, publish::PublishEditor& editor,
                     QWidget* parent)
    : QDialog(parent), program_(program), outer_ui_(ui), editor_(&editor) {
  Build();
}

FtpWindow::~FtpWindow() = default;

void FtpWindow::set_connect_options(const publish::FtpConnectOptions& options) {
  session_->set_connect_options(options);
}

void FtpWindow::Build() {
  setObjectName(QStringLiteral("frmFTP"));
  setWindowTitle(QStringLiteral("FTP Status"));
  seam_ = std::make_unique<FtpWindowSeam>(*this, outer_ui_);
  session_ = std::make_unique<desktop::FtpSession>(editor_->settings, *seam_,
                                                   program_.app.log.get(),
                                                   program_.app.dir->FtpDir);
  auto* layout = new QVBoxLayout(this);

  auto* account = new QGroupBox(QStringLiteral("Account"), this);
  auto* form = new QFormLayout(account);
  host_ = new QLineEdit(account);
  host_->setObjectName(QStringLiteral("ftpHost"));
  host_->setPlaceholderText(QStringLiteral("ftp.your-site.org"));
  port_ = new QSpinBox(account);
  port_->setObjectName(QStringLiteral("ftpPort"));
  port_->setRange(0, 65535);
  port_->setSpecialValueText(QStringLiteral("standard"));
  auto* host_row = new QHBoxLayout;
  host_row->addWidget(host_, 1);
  host_row->addWidget(new QLabel(QStringLiteral("Port"), account));
  host_row->addWidget(port_);
  form->addRow(QStringLiteral("Host"), host_row);
  user_ = new QLineEdit(account);
  user_->setObjectName(QStringLiteral("ftpUser"));
  form->addRow(QStringLiteral("User name"), user_);
  password_ = new QLineEdit(account);
  password_->setObjectName(QStringLiteral("ftpPassword"));
  password_->setEchoMode(QLineEdit::Password);
  password_->setToolTip(QStringLiteral("Kept in the desktop's password store, not in the "
                                       "calendar's settings"));
  form->addRow(QStringLiteral("Password"), password_);
  protocol_ = new QComboBox(account);
  protocol_->setObjectName(QStringLiteral("ftpProtocol"));
  protocol_->addItem(QStringLiteral("FTP (plain, unencrypted)"), QStringLiteral("FTP"));
  protocol_->addItem(QStringLiteral("FTPS (FTP with TLS)"), QStringLiteral("FTPS"));
  protocol_->addItem(QStringLiteral("SFTP (over SSH)"), QStringLiteral("SFTP"));
  passive_ = new QCheckBox(QStringLiteral("Passive mode"), account);
  passive_->setObjectName(QStringLiteral("ftpPassive"));
  auto* protocol_row = new QHBoxLayout;
  protocol_row->addWidget(protocol_, 1);
  protocol_row->addWidget(passive_);
  form->addRow(QStringLiteral("Protocol"), protocol_row);
  connect_ = new QPushButton(QStringLiteral("Connect"), account);
  connect_->setObjectName(QStringLiteral("btnConnect"));
  connect_->setDefault(true);
  form->addRow(QString(), connect_);
  layout->addWidget(account);
  // SFTP has no passive mode.
  connect(protocol_, &QComboBox::currentIndexChanged, this,
          [this] { passive_->setEnabled(protocol_->currentData().toString() != "SFTP"); });

  trust_text_ = new QLabel(this);
  trust_text_->setObjectName(QStringLiteral("trustText"));
  trust_text_->setWordWrap(true);
  trust_text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  trust_text_->setStyleSheet(QStringLiteral("QLabel { background: #fff4d6; padding: 6px; }"));
  trust_ = new QPushButton(QStringLiteral("Trust this key"), this);
  trust_->setObjectName(QStringLiteral("btnTrust"));
  forget_ = new QPushButton(QStringLiteral("Forget"), this);
  forget_->setObjectName(QStringLiteral("btnForget"));
  forget_->setToolTip(QStringLiteral("Removes the key trusted before, once the server's owner "
                                     "has confirmed the new one"));
  trust_text_->hide();
  trust_->hide();
  forget_->hide();
  layout->addWidget(trust_text_);
  auto* trust_row = new QHBoxLayout;
  trust_row->addWidget(trust_);
  trust_row->addWidget(forget_);
  trust_row->addStretch(1);
  layout->addLayout(trust_row);

  auto* middle = new QHBoxLayout;
  auto* folders = new QVBoxLayout;
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("folderTree"));
  tree_->setHeaderLabel(QStringLiteral("Remote folders"));
  folders->addWidget(tree_, 1);
  path_ = new QLabel(this);
  path_->setObjectName(QStringLiteral("pathLabel"));
  folders->addWidget(path_);
  auto* folder_buttons = new QHBoxLayout;
  add_folder_ = new QPushButton(QStringLiteral("Add Folder"), this);
  add_folder_->setObjectName(QStringLiteral("btnAddFolder"));
  publish_here_ = new QPushButton(QStringLiteral("Publish Here"), this);
  publish_here_->setObjectName(QStringLiteral("btnPublishHere"));
  folder_buttons->addWidget(add_folder_);
  folder_buttons->addWidget(publish_here_);
  folder_buttons->addStretch(1);
  folders->addLayout(folder_buttons);
  middle->addLayout(folders, 1);
  log_ = new QPlainTextEdit(this);
  log_->setObjectName(QStringLiteral("ui_status"));
  log_->setReadOnly(true);
  middle->addWidget(log_, 1);
  layout->addLayout(middle, 1);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("ftpProgress"));
  progress_->hide();
  progress_text_ = new QLabel(this);
  progress_text_->setObjectName(QStringLiteral("progressText"));
  layout->addWidget(progress_);
  layout->addWidget(progress_text_);

  auto* buttons = new QHBoxLayout;
  auto* address = new QPushButton(QStringLiteral("Calendar address..."), this);
  address->setObjectName(QStringLiteral("btnCalendarAddress"));
  address->setAutoDefault(false);
  connect(address, &QPushButton::clicked, this, [this] {
    CalendarAddressWindow window(*editor_, this);
    window.exec();
  });
  buttons->addWidget(address);
  buttons->addStretch(1);
  done_ = new QPushButton(QStringLiteral("Done"), this);
  done_->setObjectName(QStringLiteral("btnClose"));
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(done_);
  buttons->addWidget(cancel_);
  layout->addLayout(buttons);

  connect(connect_, &QPushButton::clicked, this, [this] { ConnectClicked(); });
  connect(trust_, &QPushButton::clicked, this, [this] { TrustClicked(); });
  connect(forget_, &QPushButton::clicked, this, [this] { ForgetClicked(); });
  connect(add_folder_, &QPushButton::clicked, this, [this] { AddFolderClicked(); });
  connect(publish_here_, &QPushButton::clicked, this, [this] { PublishHereClicked(); });
  connect(done_, &QPushButton::clicked, this, [this] { DoneClicked(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { CancelClicked(); });
  connect(tree_, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { NodeClicked(item); });

  FillForm();
  SetBusy(false);
  resize(760, 560);
}

void FtpWindow::FillForm() {
  desktop::FtpAccountForm form = desktop::AccountFromSettings(editor_->settings);
  host_->setText(Q(form.host));
  port_->setValue(form.port);
  user_->setText(Q(form.user));
  password_->setText(Q(form.password));
  protocol_->setCurrentIndex(std::max(0, protocol_->findData(Q(form.protocol))));
  passive_->setChecked(form.passive);
  passive_->setEnabled(form.protocol != "SFTP");
  path_->setText(Q(editor_->settings.Text("FTP.Directory")));
}

void FtpWindow::SetBusy(bool busy) {
  busy_ = busy;
  const bool connected = session_->connected();
  connect_->setEnabled(!busy);
  add_folder_->setEnabled(!busy && connected);
  publish_here_->setEnabled(!busy && connected);
  done_->setEnabled(!busy);
  tree_->setEnabled(!busy);
  // Cancel always answers.
  cancel_->setEnabled(true);
}

void FtpWindow::RefreshLog() {
  const std::vector<std::string> lines = session_->Log();
  if (static_cast<int>(lines.size()) < shown_log_lines_) {
    log_->clear();
    shown_log_lines_ = 0;
  }
  for (size_t i = static_cast<size_t>(shown_log_lines_); i < lines.size(); ++i) {
    log_->appendPlainText(Q(lines[i]));
  }
  shown_log_lines_ = static_cast<int>(lines.size());
}

void FtpWindow::ShowUntrusted() {
  const std::string text = session_->UntrustedText();
  trust_text_->setText(Q(text));
  trust_text_->setVisible(!text.empty());
  // A changed key cannot be waved through from here.
  trust_->setVisible(session_->untrusted() && !session_->untrusted()->changed());
  forget_->setVisible(session_->untrusted() && session_->untrusted()->changed());
}

void FtpWindow::ForgetClicked() {
  Status s = session_->ForgetKey();
  if (!s.ok()) outer_ui_.ShowMessage(s.message(), MessageKind::kError);
  // The presented key is now an unknown one: shown with "Trust this key".
  ShowUntrusted();
}

void FtpWindow::ConnectClicked() {
  if (busy_) return;
  desktop::FtpAccountForm form;
  form.host = host_->text().trimmed().toStdString();
  form.port = port_->value();
  form.user = user_->text().toStdString();
  form.password = password_->text().toStdString();
  form.protocol = protocol_->currentData().toString().toStdString();
  form.passive = passive_->isChecked();
  SetBusy(true);
  tree_->clear();
  Status connected = session_->Connect(form);
  // The host as cleaned ("ftp://" and "/" gone) and as connected to.
  host_->setText(Q(desktop::AccountFromSettings(editor_->settings).host));
  ShowUntrusted();
  if (connected.ok() && !closing_) {
    ShowTree(session_->LoadTree());
    path_->setText(Q(session_->working_path()));
  }
  RefreshLog();
  SetBusy(false);
  if (closing_) QDialog::reject();
}

void FtpWindow::TrustClicked() {
  Status s = session_->TrustPresentedKey();
  if (!s.ok()) {
    outer_ui_.ShowMessage(s.message(), MessageKind::kError);
    return;
  }
  ShowUntrusted();
  ConnectClicked();
}

void FtpWindow::ShowTree(const publish::FtpFolderNode& tree) {
  tree_->clear();
  auto* root = new QTreeWidgetItem(tree_, QStringList(Q(tree.name.empty() ? "/" : tree.name)));
  root->setData(0, Qt::UserRole, Q(tree.path.empty() ? "/" : tree.path));
  for (const publish::FtpFolderNode& child : tree.children) AddNode(root, child);
  root->setExpanded(true);
}

void FtpWindow::AddNode(QTreeWidgetItem* parent, const publish::FtpFolderNode& node) {
  auto* item = new QTreeWidgetItem(parent, QStringList(Q(node.name)));
  item->setData(0, Qt::UserRole, Q(node.path));
  for (const publish::FtpFolderNode& child : node.children) AddNode(item, child);
}

void FtpWindow::NodeClicked(QTreeWidgetItem* item) {
  if (item == nullptr) return;
  publish::FtpFolderNode node;
  node.name = item->text(0).toStdString();
  node.path = item->data(0, Qt::UserRole).toString().toStdString();
  session_->Select(node);
  path_->setText(Q(session_->working_path()));
}

void FtpWindow::AddFolderClicked() {
  if (busy_ || !session_->connected()) return;
  SetBusy(true);
  std::optional<std::string> made = session_->AddFolder();
  if (made) {
    const std::string chosen = *made;
    ShowTree(session_->LoadTree());
    publish::FtpFolderNode node;
    node.path = chosen;
    session_->Select(node);
    path_->setText(Q(session_->working_path()));
  }
  RefreshLog();
  SetBusy(false);
}

void FtpWindow::PublishHereClicked() {
  if (busy_ || !session_->connected()) return;
  SetBusy(true);
  Status ready = before_upload_ ? before_upload_() : Status::Ok();
  if (!ready.ok()) {
    outer_ui_.ShowMessage(ready.message(), MessageKind::kError);
  } else {
    publish::FtpUploadResult result =
        session_->Upload(WithTrailingSlash(program_.app.dir->BuildDir));
    if (result.uploaded) {
      progress_text_->setText(QString::number(result.sent) + QStringLiteral(" files sent, ") +
                              QString::number(result.unchanged) +
                              QStringLiteral(" unchanged since the last upload"));
    }
  }
  RefreshLog();
  SetBusy(false);
  if (closing_) QDialog::reject();
}

void FtpWindow::DoneClicked() {
  if (busy_) return;
  std::optional<std::string> folder = session_->Done();
  RefreshLog();
  if (folder) path_->setText(Q(*folder));
  // The address the calendar now has, guessed from the host and the folder.
  publish::AddCandidateAddresses(editor_->settings, editor_->window);
  if (own_editor_) {
    // The account and the folder belong to the favorite: saved now (the
    // password into the secret store).
    Status saved = own_editor_->Save();
    if (!saved.ok()) return;  // the save showed why; the window stays
  }
  accept();
}

void FtpWindow::CancelClicked() {
  session_->Cancel();
  if (busy_) {
    // The operation under way stops at its next check (within a second,
    // a transfer included); the window closes when it has.
    closing_ = true;
    return;
  }
  QDialog::reject();
}

void FtpWindow::reject() { CancelClicked(); }

}  // namespace almanix::shell
