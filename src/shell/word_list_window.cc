#include "shell/word_list_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/ui_seam.h"

namespace almanix::shell {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

WordListWindow::WordListWindow(publish::PublishSettings& settings, desktop::WordListId list,
                               UiSeam& ui, QWidget* parent)
    : QDialog(parent),
      form_(std::make_unique<desktop::WordListForm>(settings, list)),
      ui_(ui) {
  setObjectName(QStringLiteral("WordListWindow"));
  setWindowTitle(Q(std::string(desktop::WordListTitle(list))));
  resize(420, 460);
  table_ = new QTableWidget(0, 2, this);
  table_->setObjectName(QStringLiteral("wordRows"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Key"), QStringLiteral("Value")});
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->setVisible(false);
  connect(table_, &QTableWidget::cellChanged, this, [this](int row, int) {
    if (filling_) return;
    const QString key = table_->item(row, 0) ? table_->item(row, 0)->text() : QString();
    const QString value = table_->item(row, 1) ? table_->item(row, 1)->text() : QString();
    if (Status s = form_->SetRow(row, key.toStdString(), value.toStdString()); !s.ok()) {
      ui_.ShowMessage(s.message(), MessageKind::kWarning);
      Fill();  // back to what the row holds
    }
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  if (!form_->fixed_keys()) {
    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("Add"), this);
    add->setObjectName(QStringLiteral("addWordRow"));
    auto* remove = new QPushButton(QStringLiteral("Delete"), this);
    remove->setObjectName(QStringLiteral("deleteWordRow"));
    connect(add, &QPushButton::clicked, this, [this] {
      IgnoreResult(form_->AddRow(), "a list with free rows always takes one");
      Fill();
      table_->setCurrentCell(table_->rowCount() - 1, 0);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
      if (form_->RemoveRow(table_->currentRow()).ok()) Fill();
    });
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch(1);
    layout->addLayout(row);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &WordListWindow::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &WordListWindow::reject);
  layout->addWidget(buttons);
  Fill();
}

WordListWindow::~WordListWindow() = default;

void WordListWindow::Fill() {
  filling_ = true;
  const auto& rows = form_->rows();
  table_->setRowCount(static_cast<int>(rows.size()));
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    auto* key = new QTableWidgetItem(Q(rows[i].key));
    if (form_->fixed_keys()) key->setFlags(key->flags() & ~Qt::ItemIsEditable);
    table_->setItem(i, 0, key);
    table_->setItem(i, 1, new QTableWidgetItem(Q(rows[i].value)));
  }
  filling_ = false;
}

void WordListWindow::accept() {
  form_->Apply();
  QDialog::accept();
}

}  // namespace almanix::shell
