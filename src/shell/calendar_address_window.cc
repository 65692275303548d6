#include "shell/calendar_address_window.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "publish/calendar_url.h"
#include "settings/publish_editor.h"

namespace almanix::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CalendarAddressWindow::CalendarAddressWindow(publish::PublishEditor& editor, QWidget* parent)
    : QDialog(parent),
      editor_(editor),
      fetcher_(std::make_unique<publish::CurlPageFetcher>()) {
  setObjectName(QStringLiteral("calendarAddressWindow"));
  setWindowTitle(QStringLiteral("Calendar address"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(
      QStringLiteral("The address of your calendar's Calendar.html page on the web:"), this));
  auto* row = new QHBoxLayout;
  address_ = new QComboBox(this);
  address_->setObjectName(QStringLiteral("calendar_url"));
  address_->setEditable(true);
  address_->setMinimumWidth(420);
  row->addWidget(address_, 1);
  auto add_button = [&](const char* caption, const char* name, void (CalendarAddressWindow::*run)()) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setObjectName(QString::fromUtf8(name));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, run] { (this->*run)(); });
    row->addWidget(button);
  };
  add_button("suggest", "suggest_url_label", &CalendarAddressWindow::SuggestClicked);
  add_button("Try", "Calendar_URL_Trynow", &CalendarAddressWindow::TryClicked);
  add_button("Explain?", "Link_Label", &CalendarAddressWindow::ExplainClicked);
  add_button("validate", "checkfroPrblems", &CalendarAddressWindow::ValidateClicked);
  layout->addLayout(row);
  answer_ = new QLabel(this);
  answer_->setObjectName(QStringLiteral("addressAnswer"));
  answer_->setWordWrap(true);
  answer_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(answer_, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  Refill();
}

CalendarAddressWindow::~CalendarAddressWindow() = default;

void CalendarAddressWindow::set_fetcher(std::unique_ptr<publish::PageFetcher> fetcher) {
  fetcher_ = std::move(fetcher);
}

void CalendarAddressWindow::Refill() {
  address_->clear();
  for (const std::string& url : editor_.window.calendar_url) address_->addItem(Q(url));
  address_->setEditText(Q(editor_.settings.Text("Publish.URL")));
}

void CalendarAddressWindow::SuggestClicked() {
  editor_.settings.SetText("Publish.URL", address_->currentText().trimmed().toStdString());
  answer_->setText(Q(publish::SuggestCalendarUrls(editor_)));
  Refill();
}

void CalendarAddressWindow::TryClicked() {
  editor_.settings.SetText("Publish.URL", address_->currentText().trimmed().toStdString());
  Status tried = publish::TryCalendarUrl(editor_, *fetcher_);
  Refill();
  answer_->setText(tried.ok() ? Q("Opened " + editor_.settings.Text("Publish.URL"))
                              : Q(tried.message()));
}

void CalendarAddressWindow::ExplainClicked() { answer_->setText(Q(publish::ExplainCalendarUrl())); }

void CalendarAddressWindow::ValidateClicked() {
  answer_->setText(Q(publish::ProblemsText(publish::CheckForProblems(editor_))));
}

void CalendarAddressWindow::accept() {
  editor_.settings.SetText("Publish.URL", address_->currentText().trimmed().toStdString());
  QDialog::accept();
}

}  // namespace almanix::shell
