#include "shell/preview_page.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

#include "app/dir.h"
#include "app/file_util.h"
#include "desktop/publish_handover.h"

namespace almanix::shell {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The busy cursor for as long as a run lasts, also when it fails.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

QToolButton* ArrowButton(Qt::ArrowType arrow, const char* name, const char* tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(QString::fromUtf8(name));
  button->setArrowType(arrow);
  button->setToolTip(QString::fromUtf8(tip));
  return button;
}

QPushButton* Button(const char* caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(QString::fromUtf8(name));
  return button;
}

}  // namespace

PreviewPage::PreviewPage(desktop::PublishHandOver& handover, const TDir& dir, Window window,
                         QWidget* parent)
    : QWidget(parent), handover_(handover), dir_(dir), window_(std::move(window)) {
  setObjectName(QStringLiteral("previewPage"));
  view_ = new QWebEngineView(this);
  view_->setObjectName(QStringLiteral("previewView"));

  auto* back = ArrowButton(Qt::LeftArrow, "previewBack", "Back", this);
  auto* forward = ArrowButton(Qt::RightArrow, "previewForward", "Forward", this);
  auto* reload = new QToolButton(this);
  reload->setObjectName(QStringLiteral("previewReload"));
  reload->setText(QStringLiteral("Reload"));
  connect(back, &QToolButton::clicked, view_, &QWebEngineView::back);
  connect(forward, &QToolButton::clicked, view_, &QWebEngineView::forward);
  connect(reload, &QToolButton::clicked, view_, &QWebEngineView::reload);

  format_ = new QComboBox(this);
  format_->setObjectName(QStringLiteral("formatBox"));
  format_->setMinimumContentsLength(18);
  connect(format_, &QComboBox::currentIndexChanged, this, [this](int) {
    if (!filling_) Preview();
  });
  auto* preview = Button("Preview", "previewButton", this);
  connect(preview, &QPushButton::clicked, this, [this] { Preview(); });
  auto* format = Button("Format", "formatButton", this);
  connect(format, &QPushButton::clicked, this, [this] { FormatAndPublish(false); });
  auto* publish = Button("Publish", "publishButton", this);
  connect(publish, &QPushButton::clicked, this, [this] { FormatAndPublish(true); });
  auto* files = Button("Files", "filesButton", this);
  files->setToolTip(QStringLiteral("Open the build folder"));
  connect(files, &QPushButton::clicked, this,
          [this] { static_cast<void>(dir_.ShellOpen(dir_.BuildDir)); });
  auto* open = new QToolButton(this);
  open->setObjectName(QStringLiteral("openCalendarPage"));
  open->setText(QStringLiteral("..."));
  open->setToolTip(QStringLiteral("Open the generated calendar"));
  connect(open, &QToolButton::clicked, this,
          [this] { static_cast<void>(dir_.ShellOpen(handover_.CalendarPage())); });
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("previewProgress"));
  progress_->setRange(0, 100);
  progress_->setMaximumWidth(160);
  progress_->hide();

  auto* bar = new QHBoxLayout;
  bar->addWidget(back);
  bar->addWidget(forward);
  bar->addWidget(reload);
  bar->addSpacing(12);
  bar->addWidget(format_);
  bar->addWidget(preview);
  bar->addWidget(format);
  bar->addWidget(publish);
  bar->addSpacing(12);
  bar->addWidget(files);
  bar->addWidget(open);
  bar->addStretch(1);
  bar->addWidget(progress_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(view_, 1);

  handover_.set_on_progress([this](int percent) { SetProgress(percent); });
}

QString PreviewPage::FormatName() const { return format_->currentText(); }

void PreviewPage::Refill(const std::vector<std::string>& items, const std::string& current,
                         bool run) {
  filling_ = true;
  format_->clear();
  for (const std::string& item : items) format_->addItem(Q(item));
  format_->setCurrentIndex(0);
  const int at = format_->findText(Q(current));
  if (at >= 0) format_->setCurrentIndex(at);
  filling_ = false;
  if (run && !Preview()) return;
  ShowOutcomePage(handover_.FormatPage(FormatName().toStdString()));
}

bool PreviewPage::Preview() {
  ShowFile(handover_.WaitPage());
  const std::string name = FormatName().toStdString();
  desktop::PreviewOutcome out;
  {
    BusyCursor busy;
    out = handover_.Preview(name, window_.year());
  }
  ShowOutcomePage(out.page);
  if (window_.after_publish) window_.after_publish();
  return out.status.ok();
}

void PreviewPage::FormatAndPublish(bool publish_step) {
  ShowFile(handover_.WaitPage());
  desktop::PreviewOutcome out;
  {
    BusyCursor busy;
    out = handover_.FormatAndPublish(FormatName().toStdString(), window_.year(),
                                     window_.category_number(), publish_step);
  }
  ShowOutcomePage(out.page);
  if (window_.after_publish) window_.after_publish();
}

void PreviewPage::ShowFile(const std::string& path) {
  view_->setUrl(QUrl::fromLocalFile(Q(path)));
}

void PreviewPage::ShowOutcomePage(const std::string& page) {
  // A failed run leaves the browser empty: the folder may still hold the
  // pages of an earlier run, which would pass for this one's.
  if (page.empty() || !FileExists(page)) {
    view_->setUrl(QUrl(QStringLiteral("about:blank")));
    return;
  }
  ShowFile(page);
}

void PreviewPage::SetProgress(int percent) {
  progress_->setValue(percent);
  progress_->setVisible(desktop::ProgressBarShown(percent));
}

}  // namespace almanix::shell
