#pragma once

#include <string>

#include "app/startup.h"
#include "store/db.h"

namespace almanix::store {

class WindowHooks;

// The start-up steps that belong to the table store: the data module is
// pointed at DbDir, and the first tables are made when missing.
class StoreStartup : public StartupHooks {
 public:
  StoreStartup(TDB1& data, UiSeam& ui) : data_(data), ui_(ui) {}

  // The main window's reload steps for the working-directory switch.
  void set_window(WindowHooks* window) { window_ = window; }

  Status InitDatabasePaths(App& app) override;
  Status CreateYearTable(App& app, int year) override;
  Status CreateEventsTable(App& app) override;
  Status WorkingSet(App& app, const std::string& folder) override;

 private:
  TDB1& data_;
  UiSeam& ui_;
  WindowHooks* window_ = nullptr;
};

}  // namespace almanix::store
