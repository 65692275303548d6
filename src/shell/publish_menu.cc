#include "shell/publish_menu.h"

#include <QAction>
#include <QMenu>

#include "app/dir.h"
#include "desktop/main_pages.h"

namespace almanix::shell {

PublishMenu::PublishMenu(QMenu* menu, const TDir& dir, Commands commands)
    : menu_(menu), dir_(dir), commands_(std::move(commands)) {
  menu_->setObjectName(QStringLiteral("publishMenu"));
  format_category_ = menu_->addAction(QStringLiteral("New Calendar..."));
  format_category_->setObjectName(QStringLiteral("formatCategory"));
  QObject::connect(format_category_, &QAction::triggered, menu_, [this] {
    if (commands_.format_category) commands_.format_category();
  });
  QAction* fresh = menu_->addAction(QStringLiteral("New Calendar"));
  fresh->setObjectName(QStringLiteral("newCalendar"));
  QObject::connect(fresh, &QAction::triggered, menu_, [this] {
    if (commands_.new_calendar) commands_.new_calendar();
  });
  QAction* ftp = menu_->addAction(QStringLiteral("FTP Settings..."));
  ftp->setObjectName(QStringLiteral("ftpSettings"));
  QObject::connect(ftp, &QAction::triggered, menu_, [this] {
    if (commands_.ftp_settings) commands_.ftp_settings();
  });
  if (commands_.republish) {
    QAction* republish = menu_->addAction(QStringLiteral("Republish ..."));
    republish->setObjectName(QStringLiteral("republish"));
    QObject::connect(republish, &QAction::triggered, menu_, [this] { commands_.republish(); });
    fixed_entries_ = 4;
  }
}

void PublishMenu::Refresh() {
  const QList<QAction*> actions = menu_->actions();
  for (qsizetype i = fixed_entries_; i < actions.size(); ++i) {
    menu_->removeAction(actions[i]);
    actions[i]->deleteLater();
  }
  for (const desktop::FavoriteEntry& entry : desktop::FavoritesMenu(dir_)) {
    QAction* action = menu_->addAction(QString::fromStdString(entry.caption));
    action->setObjectName(QStringLiteral("favorite"));
    // The name travels with the entry: the caption has its "&" doubled.
    QObject::connect(action, &QAction::triggered, menu_, [this, name = entry.name] {
      if (commands_.publish_favorite) commands_.publish_favorite(name);
    });
  }
}

void PublishMenu::SetCategory(const std::string& name) {
  // A "&" of the name is shown, not taken as the entry's accelerator.
  format_category_->setText(QString::fromStdString("Category (" + name + ")")
                                .replace(QLatin1Char('&'), QStringLiteral("&&")));
}

}  // namespace almanix::shell
