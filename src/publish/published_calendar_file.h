#pragma once

#include <string>

#include "app/status.h"

namespace almanix::platform {
class SecretStore;
}

// The "calendar.cal" a website offers for download: the calendar's own
// archive with every login taken out.
namespace almanix::publish {

// Unpacks the packed calendar archive into scratch (a private folder,
// emptied first), blanks the logins in the copy (FTP.UserID, FTP.Password,
// Proxy.User, Proxy.Password of every favorite's conf.ini; the SMTP account
// and reminder address of application.ini), leaves out each favorite's
// upload record, and packs the copy into target. Then checks the settings
// files of the copy for every password it blanked or the store keeps for
// these favorites (plain and scrambled): one found anywhere fails the whole
// file rather than publish it. The working directory is never touched.
Status WritePublishedCalendarFile(const std::string& packed, const std::string& target,
                                  const std::string& scratch, platform::SecretStore* secrets);

}  // namespace almanix::publish
