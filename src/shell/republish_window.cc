#include "shell/republish_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/dir.h"
#include "app/log.h"
#include "app/startup.h"
#include "app/ui_seam.h"
#include "desktop/main_pages.h"
#include "platform/places.h"

namespace almanix::shell {

publish::ScheduleEnv ScheduleEnvOf(const App& app, publish::CommandRunner* runner) {
  publish::ScheduleEnv env;
  env.cli_path = platform::ExecutableDir() + "almanix-cli";
  env.root = app.places.root;
  env.systemd_dir = publish::UserUnitFolder();
  env.log_folder = app.log ? app.log->folder() : std::string();
  env.runner = runner;
  return env;
}

RepublishWindow::RepublishWindow(const App& app, UiSeam& ui, publish::CommandRunner& runner,
                                 const std::string& favorite, QWidget* parent)
    : QDialog(parent), ui_(ui), schedule_(ScheduleEnvOf(app, &runner)) {
  setObjectName(QStringLiteral("republishWindow"));
  setWindowTitle(QStringLiteral("Republish"));
  setMinimumWidth(440);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  favorite_ = new QComboBox(this);
  favorite_->setObjectName(QStringLiteral("republishFavorite"));
  for (const desktop::FavoriteEntry& entry : desktop::FavoritesMenu(*app.dir)) {
    favorite_->addItem(QString::fromStdString(entry.name));
  }
  const int chosen = favorite_->findText(QString::fromStdString(favorite));
  if (chosen >= 0) favorite_->setCurrentIndex(chosen);
  form->addRow(QStringLiteral("Calendar:"), favorite_);
  every_ = new QComboBox(this);
  every_->setObjectName(QStringLiteral("republishEvery"));
  every_->addItems({QStringLiteral("Off"), QStringLiteral("Daily"), QStringLiteral("Weekly")});
  form->addRow(QStringLiteral("Republish:"), every_);
  layout->addLayout(form);
  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("republishState"));
  state_->setWordWrap(true);
  layout->addWidget(state_);
  auto* note = new QLabel(
      QStringLiteral("The calendar is republished with its saved settings, also while "
                     "Web Almanix is closed. A run that fails leaves the published calendar "
                     "as it was and is reported at the next start."),
      this);
  note->setWordWrap(true);
  layout->addWidget(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Close, this);
  layout->addWidget(buttons);
  QPushButton* apply = buttons->button(QDialogButtonBox::Apply);
  apply->setObjectName(QStringLiteral("republishApply"));
  apply->setEnabled(favorite_->count() > 0);
  connect(apply, &QPushButton::clicked, this, [this] { Apply(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(favorite_, &QComboBox::currentIndexChanged, this, [this] { ShowState(); });
  ShowState();
}

void RepublishWindow::ShowState() {
  if (favorite_->count() == 0) {
    state_->setText(QStringLiteral("There is no saved calendar yet: publish one first."));
    return;
  }
  const publish::ScheduleInfo info = schedule_.Get(favorite_->currentText().toStdString());
  every_->setCurrentIndex(static_cast<int>(info.every));
  std::string text = info.every == publish::RepublishEvery::kOff
                         ? "Not republished on a schedule."
                         : "Republished " + std::string(publish::RepublishEveryWord(info.every)) +
                               " (" + info.by + ").";
  text += info.last_run.empty() ? " It has not run yet."
                                : " Last run: " + info.last_run +
                                      (info.last_ok ? "." : ", which failed.");
  state_->setText(QString::fromStdString(text));
}

bool RepublishWindow::Apply() {
  if (favorite_->count() == 0) return false;
  const auto every = static_cast<publish::RepublishEvery>(every_->currentIndex());
  Status s = schedule_.Set(favorite_->currentText().toStdString(), every);
  if (!s.ok()) {
    ui_.ShowMessage(s.message(), MessageKind::kError);
    ShowState();
    return false;
  }
  ShowState();
  return true;
}

void ShowScheduledRunFailures(const App& app, UiSeam& ui) {
  if (!app.dir) return;
  publish::ScheduledRunMarker marker(publish::ScheduledRunMarker::PathIn(app.dir->UserDataDir));
  const std::string message = marker.TakeMessage();
  if (!message.empty()) ui.ShowMessage(message, MessageKind::kWarning);
}

}  // namespace almanix::shell
