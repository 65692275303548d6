#include "shell/style_sheet_window.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <string>
#include <utility>

#include "generator/generator.h"
#include "shell/css_highlighter.h"
#include "shell/local_page.h"

namespace almanix::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

StyleSheetWindow::StyleSheetWindow(desktop::StyleSheetEditor sheet,
                                   publish::PublishEditor& editor,
                                   std::function<generator::GeneratorEnv()> env, QWidget* parent)
    : QDialog(parent), sheet_(std::move(sheet)), editor_(editor), env_(std::move(env)) {
  setObjectName(QStringLiteral("StyleSheetWindow"));
  setWindowTitle(Q(sheet_.Title()));
  resize(1000, 700);

  text_ = new QPlainTextEdit(this);
  text_->setObjectName(QStringLiteral("styleSheetEdit"));
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  new CssHighlighter(text_->document(), palette());

  view_ = new QWebEngineView(this);
  view_->setObjectName(QStringLiteral("styleSheetPreview"));
  connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
    if (ok) ++previews_shown_;
  });

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("styleSheetTabs"));
  tabs_->addTab(text_, QStringLiteral("Style Sheet"));
  tabs_->addTab(view_, QStringLiteral("Preview"));
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (tabs_->widget(index) == view_) ShowPreview();
  });

  state_ = new QLabel(this);
  state_->setObjectName(QStringLiteral("styleSheetState"));
  auto* save_exit = new QPushButton(QStringLiteral("&Save and Exit"), this);
  save_exit->setObjectName(QStringLiteral("saveAndExit"));
  save_exit->setAutoDefault(false);
  auto* exit = new QPushButton(QStringLiteral("&Exit"), this);
  exit->setObjectName(QStringLiteral("exitEditor"));
  exit->setAutoDefault(false);
  connect(save_exit, &QPushButton::clicked, this, [this] { SaveAndExit(); });
  connect(exit, &QPushButton::clicked, this, [this] { reject(); });

  auto* row = new QHBoxLayout;
  row->addWidget(state_, 1);
  row->addWidget(save_exit);
  row->addWidget(exit);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(row);

  if (sheet_.Load()) {
    text_->setPlainText(Q(sheet_.text()));
  } else {
    state_->setText(Q("File not found " + sheet_.path()));
  }
}

StyleSheetWindow::~StyleSheetWindow() = default;

bool StyleSheetWindow::ShowPreview() {
  if (!env_ || generator::Generator::Running()) return false;
  state_->setText(Q(std::string(desktop::kPleaseWaitText)));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The words show before the run holds the thread.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  Result<std::string> page =
      sheet_.Preview(text_->toPlainText().toStdString(), editor_, env_());
  QApplication::restoreOverrideCursor();
  if (!page.ok()) {
    state_->setText(Q(page.status().message()));
    view_->setUrl(QUrl(QStringLiteral("about:blank")));
    return false;
  }
  state_->setText(QStringLiteral("Saved; the preview shows the calendar with this sheet"));
  ShowLocalPage(view_, Q(page.value()));
  return true;
}

void StyleSheetWindow::SaveAndExit() {
  if (sheet_.SaveAndExit(text_->toPlainText().toStdString())) QDialog::accept();
}

void StyleSheetWindow::reject() {
  if (sheet_.Exit(text_->toPlainText().toStdString())) QDialog::reject();
}

}  // namespace almanix::shell
