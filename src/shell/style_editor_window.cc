#include "shell/style_editor_window.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <string>
#include <utility>

#include "app/dir.h"
#include "app/ui_seam.h"
#include "desktop/style_editor.h"
#include "shell/css_highlighter.h"
#include "shell/local_page.h"
#include "settings/publish_editor.h"
#include "generator/generator.h"

namespace almanix::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void Paint(QPushButton* button, const std::string& colour) {
  button->setText(Q(colour));
  const QColor c(Q(colour));
  button->setStyleSheet(c.isValid() ? QStringLiteral("background-color: %1; color: %2;")
                                          .arg(c.name(), c.lightness() < 128
                                                             ? QStringLiteral("#FFFFFF")
                                                             : QStringLiteral("#000000"))
                                    : QString());
}

}  // namespace

StyleEditorWindow::StyleEditorWindow(publish::PublishEditor& editor,
                                     const publish::StyleLibrary::Draft& draft,
                                     std::function<generator::GeneratorEnv()> env,
                                     QWidget* parent)
    : QDialog(parent),
      session_(std::make_unique<desktop::StyleEditorSession>(editor, draft)),
      env_(std::move(env)) {
  setObjectName(QStringLiteral("StyleEditorWindow"));
  setWindowTitle(QStringLiteral("Calendar Style Editor"));
  resize(1100, 700);

  auto* form_box = new QWidget(this);
  auto* form = new QFormLayout(form_box);
  name_ = new QLineEdit(Q(draft.name), form_box);
  name_->setObjectName(QStringLiteral("styleName"));
  page_color_ = new QPushButton(form_box);
  page_color_->setObjectName(QStringLiteral("pageColor"));
  block_ = new QComboBox(form_box);
  block_->setObjectName(QStringLiteral("styleBlock"));
  for (const std::string& name : desktop::StyleBlockNames()) block_->addItem(Q(name));
  background_ = new QPushButton(form_box);
  background_->setObjectName(QStringLiteral("blockBackground"));
  font_family_ = new QComboBox(form_box);
  font_family_->setObjectName(QStringLiteral("blockFontFamily"));
  font_family_->setEditable(true);
  for (const char* family : {"Arial", "Verdana", "Georgia", "Helvetica", "Trebuchet MS",
                             "Times New Roman", "Courier New"}) {
    font_family_->addItem(QString::fromLatin1(family));
  }
  font_size_ = new QSpinBox(form_box);
  font_size_->setObjectName(QStringLiteral("blockFontSize"));
  font_size_->setRange(4, 72);
  font_color_ = new QPushButton(form_box);
  font_color_->setObjectName(QStringLiteral("blockFontColor"));
  border_color_ = new QPushButton(form_box);
  border_color_->setObjectName(QStringLiteral("blockBorderColor"));
  border_width_ = new QSpinBox(form_box);
  border_width_->setObjectName(QStringLiteral("blockBorderWidth"));
  border_width_->setRange(0, 20);
  align_ = new QComboBox(form_box);
  align_->setObjectName(QStringLiteral("blockAlign"));
  for (const char* a : {"left", "center", "right"}) align_->addItem(QString::fromLatin1(a));
  form->addRow(QStringLiteral("Name"), name_);
  form->addRow(QStringLiteral("Page colour"), page_color_);
  form->addRow(QStringLiteral("Part"), block_);
  form->addRow(QStringLiteral("Background"), background_);
  form->addRow(QStringLiteral("Font"), font_family_);
  form->addRow(QStringLiteral("Font size (pt)"), font_size_);
  form->addRow(QStringLiteral("Font colour"), font_color_);
  form->addRow(QStringLiteral("Border colour"), border_color_);
  form->addRow(QStringLiteral("Border width (pt)"), border_width_);
  form->addRow(QStringLiteral("Alignment"), align_);
  block_picture_row_ = BuildPictureRow(PictureRow::kBlock, form_box);
  form->addRow(QStringLiteral("Background picture"), block_picture_row_);
  form->addRow(QStringLiteral("Page picture"), BuildPictureRow(PictureRow::kPage, form_box));
  form->addRow(QStringLiteral("Month photo"), BuildPictureRow(PictureRow::kPhoto, form_box));
  sheet_ = new QPlainTextEdit(form_box);
  sheet_->setObjectName(QStringLiteral("styleSheetText"));
  sheet_->setReadOnly(true);
  sheet_->setLineWrapMode(QPlainTextEdit::NoWrap);
  new CssHighlighter(sheet_->document(), palette());
  form->addRow(sheet_);

  view_ = new QWebEngineView(this);
  view_->setObjectName(QStringLiteral("stylePreview"));
  view_->setMinimumWidth(420);
  state_ = new QLabel(this);
  auto* preview_box = new QWidget(this);
  auto* preview_layout = new QVBoxLayout(preview_box);
  preview_layout->setContentsMargins(0, 0, 0, 0);
  preview_layout->addWidget(view_, 1);
  preview_layout->addWidget(state_);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(form_box);
  split->addWidget(preview_box);
  split->setStretchFactor(1, 2);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &StyleEditorWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &StyleEditorWindow::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addWidget(buttons);

  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  timer_->setInterval(300);
  connect(timer_, &QTimer::timeout, this, [this] { PreviewNow(); });
  connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
    if (ok) ++previews_shown_;
  });

  auto pick = [this](QPushButton* button, auto field) {
    connect(button, &QPushButton::clicked, this, [this, button, field] {
      const QColor picked = QColorDialog::getColor(QColor(button->text()), this);
      if (!picked.isValid()) return;
      *field(session_->draft().css) = picked.name().toUpper().toStdString();
      Changed();
    });
  };
  auto block = [this](publish::StyleCss& css) {
    return desktop::StyleBlock(css, block_->currentText().toStdString());
  };
  pick(page_color_, [](publish::StyleCss& css) { return &css.page_color; });
  pick(background_, [block](publish::StyleCss& css) { return &block(css)->background_color; });
  pick(font_color_, [block](publish::StyleCss& css) { return &block(css)->font.color; });
  pick(border_color_, [block](publish::StyleCss& css) { return &block(css)->border.color; });
  connect(block_, &QComboBox::currentIndexChanged, this, [this] { ShowBlock(); });
  connect(font_family_, &QComboBox::currentTextChanged, this, [this, block](const QString& f) {
    if (filling_) return;
    block(session_->draft().css)->font.family = f.toStdString();
    Changed();
  });
  connect(font_size_, &QSpinBox::valueChanged, this, [this, block](int v) {
    if (filling_) return;
    block(session_->draft().css)->font.size_pt = v;
    Changed();
  });
  connect(border_width_, &QSpinBox::valueChanged, this, [this, block](int v) {
    if (filling_) return;
    block(session_->draft().css)->border.width_pt = v;
    if (v > 0 && block(session_->draft().css)->border.style == "none") {
      block(session_->draft().css)->border.style = "solid";
    }
    Changed();
  });
  connect(align_, &QComboBox::currentTextChanged, this, [this, block](const QString& a) {
    if (filling_) return;
    block(session_->draft().css)->align = a.toStdString();
    Changed();
  });
  ShowBlock();
  timer_->start();
}

StyleEditorWindow::~StyleEditorWindow() = default;

QWidget* StyleEditorWindow::BuildPictureRow(PictureRow kind, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  const bool photos = kind == PictureRow::kPhoto;
  const QString key = photos                    ? QStringLiteral("monthPhoto")
                      : kind == PictureRow::kPage ? QStringLiteral("pagePicture")
                                                  : QStringLiteral("blockPicture");
  if (photos) {
    photo_month_ = new QComboBox(box);
    photo_month_->setObjectName(QStringLiteral("photoMonth"));
    for (const char* month : {"January", "February", "March", "April", "May", "June", "July",
                              "August", "September", "October", "November", "December"}) {
      photo_month_->addItem(QString::fromLatin1(month));
    }
    connect(photo_month_, &QComboBox::currentIndexChanged, this, [this] { ShowBlock(); });
    row->addWidget(photo_month_);
  }
  auto* pick = new QPushButton(QStringLiteral("Picture..."), box);
  pick->setObjectName(key);
  auto* none = new QPushButton(QStringLiteral("None"), box);
  none->setObjectName(key + QStringLiteral("None"));
  auto* name = new QLabel(box);
  name->setObjectName(key + QStringLiteral("Name"));
  (photos ? photo_ : kind == PictureRow::kPage ? page_picture_ : picture_) = name;
  auto set = [this, kind](const std::string& source) {
    desktop::StyleEditorSession& s = *session_;
    const Status status =
        kind == PictureRow::kPhoto ? s.SetMonthPhoto(photo_month_->currentIndex() + 1, source)
        : kind == PictureRow::kPage
            ? s.SetPicture("Page", source)
            : s.SetPicture(block_->currentText().toStdString(), source);
    if (!status.ok()) {
      state_->setText(Q(status.message()));
      return;
    }
    Changed();
  };
  connect(pick, &QPushButton::clicked, this, [this, photos, set] {
    const std::string source = PickPicture(photos);
    if (!source.empty()) set(source);
  });
  connect(none, &QPushButton::clicked, this, [set] { set(""); });
  row->addWidget(pick);
  row->addWidget(none);
  row->addWidget(name, 1);
  return box;
}

std::string StyleEditorWindow::PickPicture(bool photo) {
  const publish::PublishEnvironment& env = session_->editor().environment();
  if (env.ui == nullptr) return {};
  const std::string start = env.dir == nullptr ? std::string()
                            : photo            ? env.dir->PhotosDir
                                               : env.dir->BackgroundsDir;
  return env.ui->PickPath(PickKind::kOpenFile, photo ? "Month photo" : "Background picture", start)
      .value_or("");
}

void StyleEditorWindow::ShowBlock() {
  filling_ = true;
  publish::StyleCss& css = session_->draft().css;
  Paint(page_color_, css.page_color);
  const publish::CssBlock* b = desktop::StyleBlock(css, block_->currentText().toStdString());
  if (b != nullptr) {
    Paint(background_, b->background_color);
    font_family_->setCurrentText(Q(b->font.family));
    font_size_->setValue(b->font.size_pt);
    Paint(font_color_, b->font.color);
    Paint(border_color_, b->border.color);
    border_width_->setValue(b->border.width_pt);
    align_->setCurrentText(Q(b->align));
  }
  publish::StyleInfo& info = session_->draft().info;
  auto show = [](QLabel* label, const std::string* picture) {
    label->setText(picture == nullptr || picture->empty() ? QStringLiteral("(none)")
                                                          : Q(*picture));
  };
  // The photo has no background picture of its own.
  const std::string* picture = desktop::PictureOf(info, block_->currentText().toStdString());
  block_picture_row_->setEnabled(picture != nullptr);
  show(picture_, picture);
  show(page_picture_, &info.bg_page);
  const std::string& photo = info.month_photos[static_cast<size_t>(photo_month_->currentIndex())];
  photo_->setText(photo.empty() ? QStringLiteral("(none)") : Q(photo));
  sheet_->setPlainText(Q(session_->SheetText()));
  filling_ = false;
}

void StyleEditorWindow::Changed() {
  ShowBlock();
  timer_->start();
}

bool StyleEditorWindow::PreviewNow() {
  timer_->stop();
  if (!env_ || generator::Generator::Running()) return false;
  Result<std::string> page = session_->Preview(env_());
  if (!page.ok()) {
    state_->setText(Q(page.status().message()));
    view_->setUrl(QUrl(QStringLiteral("about:blank")));
    return false;
  }
  state_->setText(QStringLiteral("Preview of one month, without events"));
  ShowLocalPage(view_, Q(page.value()));
  return true;
}

void StyleEditorWindow::accept() {
  timer_->stop();
  IgnoreResult(session_->Preview(env_ ? env_() : generator::GeneratorEnv{}).status(),
               "the sheet is written again when the style is kept; the preview is a courtesy");
  // The gallery's picture of the style: the preview as it stands, 75 x 60.
  const QImage shot = view_->grab().toImage().scaled(75, 60, Qt::IgnoreAspectRatio,
                                                     Qt::SmoothTransformation);
  if (!shot.isNull()) {
    shot.save(Q(session_->Folder() + "snapshot.bmp"), "BMP");
  }
  publish::StyleLibrary::Draft draft = session_->draft();
  draft.name = name_->text().trimmed().toStdString();
  kept_ = std::move(draft);
  QDialog::accept();
}

}  // namespace almanix::shell
