#include "shell/small_windows.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSplashScreen>
#include <QVBoxLayout>

#include "app/config.h"
#include "app/dir.h"
#include "app/startup.h"
#include "shell/qt_pictures.h"

namespace almanix::shell {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The maker's support address; the brand file names none.
constexpr char kSupportAddress[] = "mailto:support@example.org?subject=Web%20Almanix";

QLabel* Selectable(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  label->setWordWrap(true);
  return label;
}

}  // namespace

AboutWindow::AboutWindow(const App& app, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutWindow"));
  setWindowTitle(QStringLiteral("About Web Almanix"));
  const std::string name = app.brand.APP_NAME.empty() ? std::string(kApplicationTitle)
                                                      : app.brand.APP_NAME;
  auto* title = new QLabel(Q(name), this);
  title->setObjectName(QStringLiteral("aboutName"));
  QFont big = title->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.6);
  title->setFont(big);
  auto* version = new QLabel(Q("Version " + ProgramVersion()), this);
  version->setObjectName(QStringLiteral("aboutVersion"));

  auto* links = new QHBoxLayout;
  auto* homepage = new QLabel(QStringLiteral("<a href=\"home\">visit homepage</a>"), this);
  homepage->setObjectName(QStringLiteral("aboutHomepage"));
  connect(homepage, &QLabel::linkActivated, this, [&app] {
    if (app.dir && !app.brand.APP_URL.empty()) {
      IgnoreResult(app.dir->OpenInBrowser(app.brand.APP_URL), "the browser shows its own error");
    }
  });
  auto* support = new QLabel(QStringLiteral("<a href=\"mail\">e-mail support</a>"), this);
  support->setObjectName(QStringLiteral("aboutSupport"));
  connect(support, &QLabel::linkActivated, this, [&app] {
    if (app.dir) {
      IgnoreResult(app.dir->OpenInBrowser(kSupportAddress), "the mail program shows its own error");
    }
  });
  links->addWidget(homepage);
  links->addWidget(support);
  links->addStretch(1);

  auto* folders = new QFormLayout;
  folders->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
  if (app.dir) {
    const TDir& dir = *app.dir;
    const std::pair<const char*, const std::string*> rows[] = {
        {"Program", &dir.InstallDir},      {"User data", &dir.UserDataDir},
        {"Working directory", &dir.WorkDir}, {"Database", &dir.DbDir},
        {"Settings", &dir.ConfigDir},      {"Attachments", &dir.AttachmentsDir},
        {"Styles", &dir.StylesDir},        {"Log", &dir.LogDir},
    };
    for (const auto& [caption, path] : rows) {
      folders->addRow(QString::fromUtf8(caption), Selectable(Q(*path), this));
    }
    if (!dir.CalendarFile.empty()) {
      folders->addRow(QStringLiteral("Calendar file"), Selectable(Q(dir.CalendarFile), this));
    }
  }

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(version);
  layout->addLayout(links);
  layout->addSpacing(8);
  layout->addLayout(folders);
  layout->addWidget(buttons);
  setMinimumWidth(480);
}

WaitWindow::WaitWindow(QWidget* parent, const QString& text) {
  window_ = new QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  window_->setObjectName(QStringLiteral("waitWindow"));
  window_->setWindowTitle(QStringLiteral("Web Almanix"));
  window_->setWindowModality(Qt::NonModal);
  auto* label = new QLabel(text, window_);
  label->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(window_);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(label);
  window_->adjustSize();
  window_->show();
  window_->raise();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // Drawn now: the work that follows keeps the loop busy.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

WaitWindow::~WaitWindow() {
  QApplication::restoreOverrideCursor();
  delete window_;
}

ProgressWindow::ProgressWindow(QWidget* parent) : parent_(parent) {}

ProgressWindow::~ProgressWindow() {
  End();
  delete dialog();
}

void ProgressWindow::Set(int done, int total, const QString& detail) {
  if (total <= 0) {
    // The operation is over: a Cancel pressed for it must not stop the next
    // one (the runs ask the seam's Cancelled before their first step).
    cancelled_ = false;
    End();
    return;
  }
  if (!dialog()) {
    dialog_ = new QProgressDialog(QStringLiteral("Working ..."), QStringLiteral("Cancel"), 0,
                                  total, parent_);
    guard_ = dialog_;
    dialog_->setObjectName(QStringLiteral("progressWindow"));
    dialog_->setWindowTitle(QStringLiteral("Web Almanix"));
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(400);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] {
      cancelled_ = true;
      End();
    });
  }
  if (done <= 0) cancelled_ = false;
  if (cancelled_) return;
  if (!busy_) {
    busy_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  dialog_->setLabelText(detail.isEmpty() ? QStringLiteral("Working ...") : detail);
  dialog_->setMaximum(total);
  dialog_->setValue(std::min(done, total));
  if (done >= total) End();
}

void ProgressWindow::End() {
  if (QProgressDialog* bar = dialog()) bar->hide();
  if (busy_) {
    busy_ = false;
    QApplication::restoreOverrideCursor();
  }
}

std::optional<desktop::IconChoice> ChooseIcon(const std::string& icon_file, QWidget* parent) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("iconChooser"));
  dialog.setWindowTitle(QStringLiteral("Choose icon"));
  const QString file = Q(icon_file);
  auto* grid = new QGridLayout;
  auto* group = new QButtonGroup(&dialog);
  const int sizes[] = {16, 32};
  int drawn_at[] = {16, 32};
  QLabel* pictures[2] = {};
  auto draw = [&](int i) {
    QImage image = RenderIconImage(file, drawn_at[i], sizes[i]);
    pictures[i]->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
  };
  for (int i = 0; i < 2; ++i) {
    const int size = sizes[i];
    auto* picture = new QLabel(&dialog);
    picture->setObjectName(QStringLiteral("icon%1").arg(size));
    picture->setAlignment(Qt::AlignCenter);
    picture->setFixedSize(48, 48);
    // On white, as it will be saved.
    picture->setAutoFillBackground(true);
    QPalette white = picture->palette();
    white.setColor(QPalette::Window, Qt::white);
    picture->setPalette(white);
    picture->setFrameShape(QFrame::StyledPanel);
    pictures[i] = picture;
    draw(i);
    auto* choice = new QRadioButton(QStringLiteral("%1x%1").arg(size), &dialog);
    choice->setObjectName(QStringLiteral("size%1").arg(size));
    group->addButton(choice, i);
    auto* convert = new QPushButton(QStringLiteral("Convert"), &dialog);
    convert->setObjectName(QStringLiteral("convert%1").arg(size));
    convert->setFlat(true);
    convert->setAutoDefault(false);
    convert->setToolTip(QStringLiteral("Draw %1x%1 from the %2x%2 picture")
                            .arg(size)
                            .arg(sizes[1 - i]));
    QObject::connect(convert, &QPushButton::clicked, &dialog, [&, i] {
      drawn_at[i] = sizes[1 - i];
      draw(i);
      group->button(i)->setChecked(true);
    });
    grid->addWidget(picture, 0, i, Qt::AlignCenter);
    grid->addWidget(choice, 1, i, Qt::AlignCenter);
    grid->addWidget(convert, 2, i, Qt::AlignCenter);
  }
  group->button(0)->setChecked(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(grid);
  layout->addWidget(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const int chosen = group->checkedId();
  return desktop::IconChoice{sizes[chosen], drawn_at[chosen]};
}

std::unique_ptr<QSplashScreen> ShowSplash(const QString& version) {
  // Drawn from the palette, so that a dark desktop gets a dark splash.
  const QPalette palette = QApplication::palette();
  QPixmap picture(420, 200);
  picture.fill(palette.color(QPalette::Window));
  QPainter painter(&picture);
  painter.setPen(palette.color(QPalette::Highlight));
  painter.drawRect(0, 0, picture.width() - 1, picture.height() - 1);
  painter.fillRect(QRect(0, 0, picture.width(), 8), palette.color(QPalette::Highlight));
  QFont font = QApplication::font();
  font.setBold(true);
  font.setPointSizeF(font.pointSizeF() * 2.2);
  painter.setFont(font);
  painter.setPen(palette.color(QPalette::WindowText));
  painter.drawText(QRect(0, 40, picture.width(), 60), Qt::AlignCenter,
                   QString::fromUtf8(kApplicationTitle.data(),
                                     static_cast<int>(kApplicationTitle.size())));
  font.setBold(false);
  font.setPointSizeF(QApplication::font().pointSizeF());
  painter.setFont(font);
  painter.drawText(QRect(0, 100, picture.width(), 30), Qt::AlignCenter,
                   QStringLiteral("Version ") + version);
  painter.end();
  auto splash = std::make_unique<QSplashScreen>(picture);
  splash->setObjectName(QStringLiteral("splash"));
  splash->show();
  splash->showMessage(QStringLiteral("Starting ..."), Qt::AlignBottom | Qt::AlignHCenter,
                      palette.color(QPalette::WindowText));
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return splash;
}

}  // namespace almanix::shell
