#include "shell/online_page.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

#include "app/dir.h"
#include "app/status.h"
#include "app/ui_seam.h"
#include "desktop/main_pages.h"

namespace almanix::shell {

namespace {

constexpr const char* kNoAddress = "http://";

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

OnlinePage::OnlinePage(const TDir& dir, UiSeam& ui, std::function<std::string()> category,
                       QWidget* parent)
    : QWidget(parent), dir_(dir), ui_(ui), category_(std::move(category)) {
  setObjectName(QStringLiteral("onlinePage"));
  view_ = new QWebEngineView(this);
  view_->setObjectName(QStringLiteral("onlineView"));

  // With no page to go to, QWebEngineView's back and forward do nothing.
  auto* back = new QToolButton(this);
  back->setObjectName(QStringLiteral("onlineBack"));
  back->setArrowType(Qt::LeftArrow);
  back->setToolTip(QStringLiteral("Back"));
  connect(back, &QToolButton::clicked, view_, &QWebEngineView::back);
  auto* forward = new QToolButton(this);
  forward->setObjectName(QStringLiteral("onlineForward"));
  forward->setArrowType(Qt::RightArrow);
  forward->setToolTip(QStringLiteral("Forward"));
  connect(forward, &QToolButton::clicked, view_, &QWebEngineView::forward);

  address_ = new QLineEdit(QString::fromUtf8(kNoAddress), this);
  address_->setObjectName(QStringLiteral("address"));
  connect(address_, &QLineEdit::returnPressed, this, [this] { Open(); });
  auto* open = new QPushButton(QStringLiteral("Go"), this);
  open->setObjectName(QStringLiteral("openAddress"));
  connect(open, &QPushButton::clicked, this, [this] { Open(); });
  auto* external = new QPushButton(QStringLiteral("View"), this);
  external->setObjectName(QStringLiteral("viewInBrowser"));
  connect(external, &QPushButton::clicked, this, [this] {
    if (Status s = dir_.OpenInBrowser(address_->text().toStdString()); !s.ok()) {
      ui_.ShowMessage(s.message(), MessageKind::kError);
    }
  });
  auto* save = new QPushButton(QStringLiteral("Save URL"), this);
  save->setObjectName(QStringLiteral("saveUrl"));
  connect(save, &QPushButton::clicked, this, [this] { SaveAddress(); });

  auto* bar = new QHBoxLayout;
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addWidget(address_, 1);
  bar->addWidget(open);
  bar->addWidget(external);
  bar->addWidget(save);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);
}

void OnlinePage::Load() {
  const std::string address = desktop::OnlineAddress(dir_, category_());
  address_->setText(Q(address));
  if (address != kNoAddress) {
    Open();
  } else {
    ShowFile(dir_.WaitDir + "notpublished.html");
  }
}

void OnlinePage::SaveAddress() {
  const std::string address = address_->text().toStdString();
  Result<std::string> saved = desktop::SaveOnlineAddress(dir_, category_(), address);
  if (!saved.ok()) {
    ui_.ShowMessage(saved.status().message(), MessageKind::kError);
    return;
  }
  ui_.ShowMessage(saved.value());
  Open();
}

void OnlinePage::Open() {
  view_->setUrl(QUrl::fromUserInput(address_->text().trimmed()));
}

void OnlinePage::ShowFile(const std::string& path) {
  view_->setUrl(QUrl::fromLocalFile(Q(path)));
}

}  // namespace almanix::shell
