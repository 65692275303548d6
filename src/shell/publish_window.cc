#include "shell/publish_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <algorithm>
#include <utility>

#include "app/dir.h"
#include "app/ui_seam.h"
#include "desktop/ftp_session.h"
#include "desktop/publish_form.h"
#include "desktop/word_lists.h"
#include "shell/local_page.h"
#include "shell/style_editor_window.h"
#include "shell/word_list_window.h"
#include "generator/generator.h"
#include "publish/destinations.h"
#include "settings/publish_editor.h"

namespace almanix::shell {
namespace {

using desktop::ControlKind;
using desktop::FormField;
using desktop::TickListId;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Quiet after the last change for this long before the preview runs, so
// typing or dragging the slider makes one run, not one per step.
constexpr int kPreviewDelayMs = 300;

void PaintColourButton(QPushButton* button, const QString& colour) {
  button->setText(colour);
  const QColor c(colour);
  if (!c.isValid()) {
    button->setStyleSheet(QString());
    return;
  }
  const QString ink = c.lightness() < 128 ? QStringLiteral("#FFFFFF") : QStringLiteral("#000000");
  button->setStyleSheet(QStringLiteral("background-color: %1; color: %2;").arg(c.name(), ink));
}

}  // namespace

struct TMC::Snapshot {
  publish::PublishSettings settings;
  publish::PublishWindowState window;
  std::string edListName;
};

TMC::TMC(publish::PublishEditor& editor, UiSeam& ui, Hooks hooks, QWidget* parent)
    : QDialog(parent),
      editor_(editor),
      ui_(ui),
      hooks_(std::move(hooks)),
      form_(std::make_unique<desktop::PublishForm>(editor)),
      opened_(std::make_unique<Snapshot>(
          Snapshot{editor.settings, editor.window, editor.edListName})) {
  setObjectName(QStringLiteral("TMC"));
  setWindowTitle(QStringLiteral("Publish Editor"));
  resize(1200, 760);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("publishPages"));
  for (int i = 0; i < static_cast<int>(form_->pages().size()); ++i) {
    pages_->addTab(BuildPage(i), Q(form_->pages()[i].title));
  }
  publish_page_ = pages_->widget(static_cast<int>(desktop::FormPageId::kDestination));

  view_ = new QWebEngineView(this);
  view_->setObjectName(QStringLiteral("publishPreview"));
  view_->setMinimumWidth(360);
  preview_state_ = new QLabel(this);
  preview_state_->setObjectName(QStringLiteral("previewState"));
  auto* preview_box = new QWidget(this);
  auto* preview_layout = new QVBoxLayout(preview_box);
  preview_layout->setContentsMargins(0, 0, 0, 0);
  preview_layout->addWidget(view_, 1);
  preview_layout->addWidget(preview_state_);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->addWidget(pages_);
  split->addWidget(preview_box);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 3);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* to_publish = buttons->addButton(QStringLiteral("Publish >>"),
                                        QDialogButtonBox::ActionRole);
  to_publish->setObjectName(QStringLiteral("publishStep"));
  auto* refresh = buttons->addButton(QStringLiteral("refresh"), QDialogButtonBox::ActionRole);
  refresh->setObjectName(QStringLiteral("refreshPreview"));
  auto* full = buttons->addButton(QStringLiteral("Preview"), QDialogButtonBox::ActionRole);
  full->setObjectName(QStringLiteral("fullPreview"));
  connect(full, &QPushButton::clicked, this, [this] { FullPreview(); });
  connect(to_publish, &QPushButton::clicked, this, [this] { ShowPublishStep(); });
  connect(refresh, &QPushButton::clicked, this, [this] { PreviewNow(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &TMC::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TMC::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(split, 1);
  layout->addWidget(buttons);

  preview_timer_ = new QTimer(this);
  preview_timer_->setSingleShot(true);
  preview_timer_->setInterval(kPreviewDelayMs);
  connect(preview_timer_, &QTimer::timeout, this, [this] { PreviewNow(); });
  connect(view_, &QWebEngineView::loadFinished, this, [this](bool ok) {
    if (ok) ++previews_shown_;
  });

  if (hooks_.route_progress) {
    hooks_.route_progress([this](int percent) {
      progress_->setValue(percent);
      progress_->setVisible(percent >= 1 && percent <= 99);
    });
  }
  if (hooks_.route_cancel) hooks_.route_cancel([this] { return cancel_asked_; });
  Refresh();
  SchedulePreview();
}

TMC::~TMC() {
  if (hooks_.route_progress) hooks_.route_progress({});
  if (hooks_.route_cancel) hooks_.route_cancel({});
}

QWidget* TMC::BuildPage(int index) {
  const desktop::FormPage& page = form_->pages()[index];
  auto* scroll = new QScrollArea(pages_);
  scroll->setWidgetResizable(true);
  auto* body = new QWidget(scroll);
  auto* column = new QVBoxLayout(body);
  if (page.id == desktop::FormPageId::kContent) {
    auto* lists = new QHBoxLayout;
    lists->addWidget(BuildTicks(TickListId::kCategories, QStringLiteral("Categories"), body));
    lists->addWidget(BuildTicks(TickListId::kMonths, QStringLiteral("Months"), body));
    lists->addWidget(BuildTicks(TickListId::kYears, QStringLiteral("Years"), body));
    column->addLayout(lists);
  }
  auto* fields = new QFormLayout;
  fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  for (const FormField& field : page.fields) {
    QWidget* control = BuildControl(field, body);
    control->setObjectName(Q(field.name));
    controls_[field.name] = control;
    if (field.kind == ControlKind::kCheck) {
      fields->addRow(QString(), control);
    } else {
      fields->addRow(Q(field.label), control);
    }
    if (field.kind == ControlKind::kGallery) {
      auto* picture = new QLabel(body);
      picture->setObjectName(Q(field.name) + QStringLiteral(".preview"));
      picture->setMaximumHeight(90);
      fields->addRow(QString(), picture);
      gallery_pictures_[field.name] = picture;
      if (QWidget* commands = BuildSheetCommands(field.name, body)) {
        fields->addRow(QString(), commands);
      }
    }
  }
  column->addLayout(fields);
  if (page.id == desktop::FormPageId::kFeeds) {
    auto* fill = new QPushButton(QStringLiteral("auto fill from publish settings"), body);
    fill->setObjectName(QStringLiteral("rssAutoFill"));
    connect(fill, &QPushButton::clicked, this, [this] {
      form_->AutoFillRss();
      Refresh();
      SchedulePreview();
    });
    column->addWidget(fill);
  }
  if (page.id == desktop::FormPageId::kTexts) {
    auto* row = new QHBoxLayout;
    for (bool logo : {true, false}) {
      const QString what = logo ? QStringLiteral("Logo") : QStringLiteral("Page Background");
      auto* pick = new QPushButton(what + QStringLiteral("..."), body);
      auto* clear = new QPushButton(QStringLiteral("Clear ") + what, body);
      connect(pick, &QPushButton::clicked, this, [this, logo, what] {
        const auto source = ui_.PickPath(PickKind::kOpenFile, what.toStdString(), "");
        if (!source) return;
        if (Status s = form_->PickPicture(logo, *source); !s.ok()) {
          ui_.ShowMessage(s.message(), MessageKind::kError);
        }
        Refresh();
        SchedulePreview();
      });
      connect(clear, &QPushButton::clicked, this, [this, logo] {
        form_->ClearPicture(logo);
        Refresh();
        SchedulePreview();
      });
      row->addWidget(pick);
      row->addWidget(clear);
    }
    row->addStretch(1);
    column->addLayout(row);
  }
  if (page.id == desktop::FormPageId::kTexts) column->addWidget(BuildLanguageTools(body));
  if (page.id == desktop::FormPageId::kEmbed) {
    auto* clear = new QPushButton(QStringLiteral("clear"), body);
    clear->setObjectName(QStringLiteral("embedClear"));
    connect(clear, &QPushButton::clicked, this, [this] {
      form_->ClearEmbed();
      Refresh();
      SchedulePreview();
    });
    column->addWidget(clear);
  }
  if (page.id == desktop::FormPageId::kLook) {
    auto* row = new QHBoxLayout;
    auto* standard = new QPushButton(QStringLiteral("Standard (960)"), body);
    auto* reset = new QPushButton(QStringLiteral("Reset Formatting"), body);
    auto* reset_settings = new QPushButton(QStringLiteral("reset settings?"), body);
    reset->setObjectName(QStringLiteral("resetFormatting"));
    connect(standard, &QPushButton::clicked, this, [this] {
      form_->StandardSize();
      Refresh();
      SchedulePreview();
    });
    connect(reset, &QPushButton::clicked, this, [this] {
      IgnoreResult(form_->ResetFormatting(), "the editor has said how it went");
      Refresh();
      SchedulePreview();
    });
    connect(reset_settings, &QPushButton::clicked, this, [this] {
      if (form_->ResetSettings()) {
        Refresh();
        SchedulePreview();
      }
    });
    row->addWidget(standard);
    row->addWidget(reset);
    row->addWidget(reset_settings);
    row->addStretch(1);
    column->addLayout(row);
    auto* styles = new QHBoxLayout;
    auto* add_style = new QPushButton(QStringLiteral("Add New Style"), body);
    add_style->setObjectName(QStringLiteral("style Add New Style"));
    connect(add_style, &QPushButton::clicked, this, [this] {
      IgnoreResult(AddNewStyle().status(), "the library and the editor have said how it went");
    });
    styles->addWidget(add_style);
    const std::pair<const char*, desktop::StyleCommand> commands[] = {
        {"Rename Style", desktop::StyleCommand::kRename},
        {"Delete Style", desktop::StyleCommand::kDelete},
        {"export", desktop::StyleCommand::kExport},
        {"import", desktop::StyleCommand::kImport}};
    for (const auto& [text, command] : commands) {
      auto* button = new QPushButton(QString::fromLatin1(text), body);
      button->setObjectName(QStringLiteral("style ") + QString::fromLatin1(text));
      connect(button, &QPushButton::clicked, this, [this, command] {
        IgnoreResult(form_->RunStyleCommand(command), "the library has said what went wrong");
        Refresh();
        SchedulePreview();
      });
      styles->addWidget(button);
    }
    styles->addStretch(1);
    column->addLayout(styles);
  }
  if (page.id == desktop::FormPageId::kDestination) column->addWidget(BuildPublishStep(body));
  column->addStretch(1);
  scroll->setWidget(body);
  return scroll;
}

QWidget* TMC::BuildTicks(TickListId list, const QString& title, QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(title, box));
  auto* items = new QListWidget(box);
  items->setObjectName(QStringLiteral("ticks") + title);
  items->setMinimumHeight(140);
  const publish::TickList& ticks = form_->Ticks(list);
  for (int i = 0; i < ticks.size(); ++i) {
    auto* item = new QListWidgetItem(Q(ticks.items[i]), items);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(ticks.IsTicked(i) ? Qt::Checked : Qt::Unchecked);
  }
  connect(items, &QListWidget::itemChanged, this, [this, items, list](QListWidgetItem* item) {
    if (refreshing_) return;
    form_->SetTick(list, items->row(item), item->checkState() == Qt::Checked);
    SchedulePreview();
  });
  layout->addWidget(items);
  return box;
}

QWidget* TMC::BuildControl(const FormField& field, QWidget* parent) {
  const std::string name = field.name;
  switch (field.kind) {
    case ControlKind::kCheck: {
      auto* box = new QCheckBox(Q(field.label), parent);
      connect(box, &QCheckBox::toggled, this,
              [this, name](bool on) { Changed(name, on ? "1" : "0"); });
      return box;
    }
    case ControlKind::kList:
    case ControlKind::kGallery:
    case ControlKind::kOpenList: {
      auto* list = new QComboBox(parent);
      for (const std::string& item : field.items) list->addItem(Q(item));
      if (field.kind == ControlKind::kOpenList) {
        list->setEditable(true);
        connect(list->lineEdit(), &QLineEdit::editingFinished, this,
                [this, name, list] { Changed(name, list->currentText().toStdString()); });
      }
      connect(list, &QComboBox::activated, this,
              [this, name, list] { Changed(name, list->currentText().toStdString()); });
      return list;
    }
    case ControlKind::kSpin: {
      auto* spin = new QSpinBox(parent);
      spin->setRange(-100000, 100000);
      spin->setKeyboardTracking(false);
      connect(spin, &QSpinBox::valueChanged, this,
              [this, name](int value) { Changed(name, std::to_string(value)); });
      return spin;
    }
    case ControlKind::kSlider: {
      auto* box = new QWidget(parent);
      auto* row = new QHBoxLayout(box);
      row->setContentsMargins(0, 0, 0, 0);
      auto* slider = new QSlider(Qt::Horizontal, box);
      slider->setObjectName(QStringLiteral("sizeSlider"));
      slider->setRange(0, 10);
      slider->setPageStep(1);
      slider->setTracking(false);
      size_label_ = new QLabel(box);
      row->addWidget(slider, 1);
      row->addWidget(size_label_);
      connect(slider, &QSlider::valueChanged, this,
              [this, name](int value) { Changed(name, std::to_string(value)); });
      return box;
    }
    case ControlKind::kColour: {
      auto* button = new QPushButton(parent);
      connect(button, &QPushButton::clicked, this, [this, name, button] {
        const QColor picked = QColorDialog::getColor(QColor(button->text()), this);
        if (picked.isValid()) Changed(name, picked.name().toUpper().toStdString());
      });
      return button;
    }
    case ControlKind::kTemplate: {
      auto* text = new QPlainTextEdit(parent);
      text->setMinimumHeight(90);
      connect(text, &QPlainTextEdit::textChanged, this, [this, name, text] {
        if (!refreshing_) Changed(name, text->toPlainText().toStdString());
      });
      return text;
    }
    default: {
      auto* line = new QLineEdit(parent);
      if (field.kind == ControlKind::kPassword) line->setEchoMode(QLineEdit::Password);
      connect(line, &QLineEdit::editingFinished, this, [this, name, line] {
        if (line->isModified()) Changed(name, line->text().toStdString());
        line->setModified(false);
      });
      return line;
    }
  }
}

QWidget* TMC::BuildPublishStep(QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 8, 0, 0);
  auto* ftp_row = new QHBoxLayout;
  auto* suggest = new QPushButton(QStringLiteral("suggest"), box);
  suggest->setObjectName(QStringLiteral("suggestFtpFolders"));
  suggest->setToolTip(QStringLiteral("Connect and offer the server's folders as FTP folders"));
  connect(suggest, &QPushButton::clicked, this, [this] { SuggestFtpFolders(); });
  ftp_row->addWidget(suggest);
  if (hooks_.open_ftp) {
    auto* ftp = new QPushButton(QStringLiteral("FTP Settings..."), box);
    ftp->setObjectName(QStringLiteral("openFtpWindow"));
    connect(ftp, &QPushButton::clicked, this, [this] {
      preview_timer_->stop();
      hooks_.open_ftp(editor_);
      Refresh();
    });
    ftp_row->addWidget(ftp);
  }
  if (hooks_.open_republish) {
    auto* republish = new QPushButton(QStringLiteral("Republish ..."), box);
    republish->setObjectName(QStringLiteral("openRepublish"));
    connect(republish, &QPushButton::clicked, this, [this] { hooks_.open_republish(); });
    ftp_row->addWidget(republish);
  }
  ftp_row->addStretch(1);
  layout->addLayout(ftp_row);
  auto* run_row = new QHBoxLayout;
  publish_now_ = new QPushButton(QStringLiteral("Publish Now"), box);
  publish_now_->setObjectName(QStringLiteral("publishNow"));
  cancel_publish_ = new QPushButton(QStringLiteral("Cancel"), box);
  cancel_publish_->setObjectName(QStringLiteral("cancelPublish"));
  cancel_publish_->setEnabled(false);
  run_row->addWidget(publish_now_);
  run_row->addWidget(cancel_publish_);
  run_row->addStretch(1);
  progress_ = new QProgressBar(box);
  progress_->setObjectName(QStringLiteral("publishProgress"));
  progress_->setRange(0, 100);
  progress_->setVisible(false);
  result_ = new QLabel(box);
  result_->setObjectName(QStringLiteral("publishResult"));
  result_->setWordWrap(true);
  connect(publish_now_, &QPushButton::clicked, this, [this] {
    IgnoreResult(PublishNow(), "the window shows the result beside the button");
  });
  connect(cancel_publish_, &QPushButton::clicked, this, [this] { cancel_asked_ = true; });
  layout->addLayout(run_row);
  layout->addWidget(progress_);
  layout->addWidget(result_);
  return box;
}

QWidget* TMC::BuildLanguageTools(QWidget* parent) {
  auto* box = new QWidget(parent);
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 8, 0, 0);
  auto* row = new QHBoxLayout;
  languages_ = new QComboBox(box);
  languages_->setObjectName(QStringLiteral("languageGallery"));
  language_picture_ = new QLabel(box);
  language_picture_->setObjectName(QStringLiteral("languagePicture"));
  const TDir* dir = editor_.environment().dir;
  if (dir != nullptr) {
    for (const std::string& name : desktop::LanguageNames(*dir)) languages_->addItem(Q(name));
  }
  // The gallery shows "English" after listing; choosing one fills the lists.
  languages_->setCurrentIndex(std::max(0, languages_->findText(QStringLiteral("English"))));
  auto show_picture = [this] {
    const TDir* d = editor_.environment().dir;
    const QPixmap picture(
        d ? Q(desktop::LanguagePicture(*d, languages_->currentText().toStdString())) : QString());
    language_picture_->setPixmap(picture);
  };
  show_picture();
  connect(languages_, &QComboBox::activated, this, [this, show_picture] {
    show_picture();
    if (Status s = desktop::SelectLanguage(editor_, languages_->currentText().toStdString());
        !s.ok()) {
      ui_.ShowMessage(s.message(), MessageKind::kError);
    }
    Refresh();
    SchedulePreview();
  });
  row->addWidget(new QLabel(QStringLiteral("Language"), box));
  row->addWidget(languages_);
  row->addWidget(language_picture_);
  row->addStretch(1);
  layout->addLayout(row);
  auto* lists = new QHBoxLayout;
  const std::pair<const char*, desktop::WordListId> editors[] = {
      {"editMonths", desktop::WordListId::kMonths},
      {"editWeekdays", desktop::WordListId::kWeekdays},
      {"editTranslate", desktop::WordListId::kPhrases},
      {"editMacros", desktop::WordListId::kMacros}};
  for (const auto& [name, list] : editors) {
    auto* button =
        new QPushButton(Q(std::string(desktop::WordListTitle(list))) + QStringLiteral("..."), box);
    button->setObjectName(QString::fromLatin1(name));
    connect(button, &QPushButton::clicked, this, [this, list] {
      WordListWindow window(editor_.settings, list, ui_, this);
      if (on_word_list_) on_word_list_(window);
      if (window.exec() == QDialog::Accepted) {
        Refresh();
        SchedulePreview();
      }
    });
    lists->addWidget(button);
  }
  lists->addStretch(1);
  layout->addLayout(lists);
  return box;
}

Result<std::string> TMC::AddNewStyle() {
  preview_timer_->stop();
  Result<std::string> added =
      form_->AddStyle([this](const publish::StyleLibrary::Draft& made)
                          -> std::optional<publish::StyleLibrary::Draft> {
        StyleEditorWindow window(editor_, made, hooks_.env, this);
        if (on_style_editor_) on_style_editor_(window);
        if (window.exec() != QDialog::Accepted) return std::nullopt;
        return window.kept();
      });
  Refresh();
  SchedulePreview();
  return added;
}

bool TMC::SuggestFtpFolders() {
  const desktop::FormField* field = form_->Find("FTP.Directory");
  if (field == nullptr) return false;
  std::vector<std::string> offered = field->items;
  desktop::FtpSession session(editor_.settings, ui_, editor_.environment().log, hooks_.ftp_dir);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool found = session.SuggestFolders(&offered);
  QApplication::restoreOverrideCursor();
  if (!found) return false;
  form_->OfferItems("FTP.Directory", offered);
  Refresh();
  return true;
}

void TMC::Changed(const std::string& name, const std::string& text) {
  if (refreshing_) return;
  const Status s = form_->Change(name, text);
  // The editor's rules say their own refusals; a value that does not fit
  // the key is said here.
  if (!s.ok() && s.message() != publish::kAutoSizeMessage) {
    ui_.ShowMessage(s.message(), MessageKind::kError);
  }
  Refresh();
  SchedulePreview();
}

void TMC::Refresh() {
  refreshing_ = true;
  for (const auto& [name, widget] : controls_) {
    const QString value = Q(form_->Value(name));
    widget->setVisible(form_->Shown(name));
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      box->setChecked(value == QStringLiteral("1"));
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
      // The style commands change the gallery's entries.
      const desktop::FormField* field = form_->Find(name);
      if (field != nullptr &&
          (field->kind == ControlKind::kGallery || field->kind == ControlKind::kOpenList) &&
          list->count() != static_cast<int>(field->items.size())) {
        list->clear();
        for (const std::string& item : field->items) list->addItem(Q(item));
      }
      const int at = list->findText(value);
      if (at >= 0) {
        list->setCurrentIndex(at);
      } else if (list->isEditable()) {
        list->setEditText(value);
      } else {
        list->setCurrentIndex(-1);
      }
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
      spin->setValue(value.toInt());
    } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
      if (text->toPlainText() != value) text->setPlainText(value);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
      if (line->text() != value) line->setText(value);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      PaintColourButton(button, value);
    } else if (auto* slider = widget->findChild<QSlider*>()) {
      slider->setValue(value.toInt());
      size_label_->setText(Q(form_->SizeLabel()));
    }
  }
  for (const auto& [name, picture] : gallery_pictures_) {
    const QString path = Q(form_->PreviewPicture(name));
    const QPixmap pixmap(path);
    picture->setPixmap(pixmap.isNull() ? QPixmap()
                                       : pixmap.scaled(260, 90, Qt::KeepAspectRatio,
                                                       Qt::SmoothTransformation));
    picture->setToolTip(path);
  }
  refreshing_ = false;
}

void TMC::SchedulePreview() { preview_timer_->start(); }

bool TMC::PreviewNow() {
  preview_timer_->stop();
  if (!hooks_.env) return false;
  // A run under way (the person clicked during one) comes back later.
  if (generator::Generator::Running()) {
    SchedulePreview();
    return false;
  }
  QElapsedTimer clock;
  clock.start();
  generator::Generator generator(editor_, hooks_.env());
  const Status s = generator.PreviewRun(false);
  last_preview_ms_ = clock.elapsed();
  if (!s.ok()) {
    preview_state_->setText(Q(s.message()));
    view_->setUrl(QUrl(QStringLiteral("about:blank")));
    return false;
  }
  preview_state_->setText(QStringLiteral("Preview: %1 ms").arg(last_preview_ms_));
  ShowLocalPage(view_, Q(generator.MainPagePath()));
  return true;
}

bool TMC::FullPreview() {
  preview_timer_->stop();
  if (!hooks_.env || generator::Generator::Running()) return false;
  generator::GeneratorEnv env = hooks_.env();
  env.show_page = [this](const std::string& path) {
    view_->setUrl(QUrl::fromLocalFile(Q(path)));
  };
  generator::Generator generator(editor_, std::move(env));
  const Status s = generator.Preview();
  preview_state_->setText(s.ok() ? QStringLiteral("Preview with linking help") : Q(s.message()));
  // The full preview switches Quick Preview off.
  Refresh();
  return s.ok();
}

void TMC::ShowPublishStep() { pages_->setCurrentWidget(publish_page_); }

Status TMC::PublishNow() {
  if (!hooks_.env) return Status::Invalid("nothing to publish with");
  preview_timer_->stop();
  publish_now_->setEnabled(false);
  cancel_publish_->setEnabled(true);
  publishing_ = true;
  cancel_asked_ = false;
  result_->clear();
  publish::PublishOptions options;
  options.open_folder = hooks_.open_folder;
  Status s;
  if (hooks_.publish_now) {
    s = hooks_.publish_now(editor_, options);
  } else {
    generator::Generator generator(editor_, hooks_.env());
    s = publish::PublishNow(editor_, generator, options);
  }
  publishing_ = false;
  cancel_asked_ = false;
  progress_->setVisible(false);
  publish_now_->setEnabled(true);
  cancel_publish_->setEnabled(false);
  if (s.code() == Status::Code::kCancelled) {
    result_->setText(QStringLiteral("Cancelled: nothing was published."));
  } else {
    result_->setText(s.ok() ? QStringLiteral("Published.")
                            : QStringLiteral("Not published: ") + Q(s.message()));
  }
  Refresh();
  return s;
}

void TMC::accept() {
  if (publishing_) return;
  preview_timer_->stop();
  if (editor_.window.chkAutoUpdate) {
    if (Status s = editor_.Save(); !s.ok()) return;  // the save has said why
  }
  QDialog::accept();
}

void TMC::reject() {
  // Escape or the dialog's Cancel during a publish stops the publish first;
  // the window stays until it has returned.
  if (publishing_) {
    cancel_asked_ = true;
    return;
  }
  preview_timer_->stop();
  editor_.settings = opened_->settings;
  editor_.window = opened_->window;
  editor_.edListName = opened_->edListName;
  QDialog::reject();
}

}  // namespace almanix::shell
