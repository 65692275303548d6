#include "store/store_startup.h"

#include "store/calendar_file.h"
#include "store/tables.h"
#include "store/year_tables.h"

namespace almanix::store {

Status StoreStartup::InitDatabasePaths(App& app) {
  data_.set_log(app.log.get());
  return data_.Init(*app.dir);
}

Status StoreStartup::CreateYearTable(App& app, int year) {
  YearTables years(data_.db(), app.config ? app.config->CalendarList
                                          : std::vector<std::string>{},
                   app.dir->ConfigDir, app.log.get(), &ui_);
  return years.Generate(std::to_string(year));
}

Status StoreStartup::CreateEventsTable(App& app) {
  return store::CreateEventsTable(data_.db(), app.log.get(), &ui_);
}

Status StoreStartup::WorkingSet(App& app, const std::string& folder) {
  return CalendarFile(app, data_, ui_, window_).Working_Set(folder);
}

}  // namespace almanix::store
