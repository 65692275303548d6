#include "support/fixture.h"

namespace almanix::testing {

InstallFixture::InstallFixture()
    : install(root / "install/"), trash(root / "trash") {
  for (const char* t : {"Events.db", "Calendar2010.db", "Year2010.db"}) {
    WriteAll(install + "DB/" + t, std::string("template ") + t);
    WriteAll(install + "iDB/" + t, std::string("itemplate ") + t);
  }
  WriteAll(install + "Config/application.ini", "[Application]\r\nCountry=US\r\n");
  WriteAll(install + "Config/popup.css", ".bpop{}\n");
  WriteAll(install + "Config/eventlist.css", ".ListDate{}\n");
  WriteAll(install + "iCONFIG/application.ini", "[Application]\r\n");
  WriteAll(install + "iCONFIG/US.ini", "[Holidays]\r\n");
  WriteAll(install + "Wait/wait.html", "<p>wait</p>");
  WriteAll(install + "Wait/notpublished.html", "<p>not yet</p>");
  WriteAll(install + "Brand/brand.ini", "[BRAND]\r\nAPP_NAME=Web Almanix\r\n");
  WriteAll(install + "Icons/default.ico", "ico");
  WriteAll(install + "Icons/Work.ico", "work ico");
  WriteAll(install + "Common/Styles/Default/Style.css", "<style type=\"text/css\">\n</style>\n");
  WriteAll(install + "Common/Language/English/months.txt", "1=January\r\n");
  places = platform::ResolvePlaces(root / "user");
}

}  // namespace almanix::testing
