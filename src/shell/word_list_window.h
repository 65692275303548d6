#pragma once

#include <memory>

#include <QDialog>

#include "desktop/word_lists.h"

class QTableWidget;

namespace almanix {
class UiSeam;
}

namespace almanix::shell {

// One word list of the favorite as a two-column table (key and value). OK
// puts the rows into the favorite (saved with it); Cancel leaves it as it
// was. Month and weekday names keep their numbers and rows.
class WordListWindow : public QDialog {
 public:
  WordListWindow(publish::PublishSettings& settings, desktop::WordListId list, UiSeam& ui,
                 QWidget* parent);
  ~WordListWindow() override;

  QTableWidget* table() { return table_; }
  void accept() override;

 private:
  void Fill();

  std::unique_ptr<desktop::WordListForm> form_;
  UiSeam& ui_;
  QTableWidget* table_ = nullptr;
  bool filling_ = false;
};

}  // namespace almanix::shell
