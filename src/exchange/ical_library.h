#pragma once

// libical's types and constants come from its header; its functions from
// the table below, filled when an iCalendar import first needs them.
#include <libical/ical.h>

#include "app/shared_library.h"
#include "app/status.h"

#define ALMANIX_ICAL_FUNCTIONS(X)                                                         \
  X(icalcomponent_free) X(icalcomponent_get_description)                                 \
  X(icalcomponent_get_first_property) X(icalcomponent_get_location)                      \
  X(icalcomponent_get_next_property) X(icalcomponent_get_summary)                        \
  X(icalcomponent_get_timezone) X(icalcomponent_get_uid) X(icalcomponent_isa)            \
  X(icaldurationtype_as_int) X(icalerror_get_error_state) X(icalerror_set_error_state)   \
  X(icalparameter_get_tzid) X(icalparser_free) X(icalparser_new) X(icalparser_parse)     \
  X(icalparser_set_gen_data) X(icalproperty_get_dtend) X(icalproperty_get_dtstart)       \
  X(icalproperty_get_duration) X(icalproperty_get_exdate)                                \
  X(icalproperty_get_first_parameter) X(icalproperty_get_rdate)                          \
  X(icalproperty_get_recurrenceid) X(icalproperty_get_rrule) X(icalproperty_get_url)     \
  X(icalrecur_iterator_free) X(icalrecur_iterator_new) X(icalrecur_iterator_next)        \
  X(icalrecurrencetype_day_day_of_week) X(icalrecurrencetype_day_position)               \
  X(icaltime_as_timet_with_zone) X(icaltime_convert_to_zone) X(icaltime_is_date)         \
  X(icaltime_is_null_time) X(icaltime_is_utc) X(icaltime_null_time)                      \
  X(icaltimezone_get_builtin_timezone) X(icaltimezone_get_builtin_timezone_from_tzid)    \
  X(icaltimezone_get_utc_timezone)

namespace almanix::exchange {

struct IcalFunctions {
  ALMANIX_ICAL_FUNCTIONS(ALMANIX_LIBRARY_MEMBER)
};

// Opens libical once per process; later calls give the first call's answer.
Status LoadIcal();
// REQUIRES: LoadIcal() succeeded.
const IcalFunctions& Ical();

}  // namespace almanix::exchange
