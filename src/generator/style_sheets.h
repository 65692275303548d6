#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"
#include "settings/publish_settings.h"

// The three style sheets every run computes from the publish settings, so
// that the user's colours, fonts, widths and alignment override the style's
// own style.css: calendar.css (month pages), small.css (small calendar and
// year pages) and list.css (event list pages).
namespace almanix::generator {

inline constexpr std::string_view kCalendarCssName = "calendar.css";
inline constexpr std::string_view kSmallCssName = "small.css";
inline constexpr std::string_view kListCssName = "list.css";

// The lines of each sheet. `page_picture` is the file name of the page
// picture in the build folder ("Page.jpg"), empty when there is none; it
// adds a background line to the body rule.
std::vector<std::string> CalendarCssLines(const publish::PublishSettings& settings,
                                          std::string_view page_picture);
std::vector<std::string> SmallCssLines(const publish::PublishSettings& settings,
                                       std::string_view page_picture);
std::vector<std::string> ListCssLines(const publish::PublishSettings& settings,
                                      std::string_view page_picture);

// The first of Page.jpg, Page.gif, Page.png in the favorite folder, copied
// into the build folder under the same name unless one is already there.
// Returns the file name, or empty when the favorite has no page picture.
std::string PreparePagePicture(const std::string& favorite_dir,
                               const std::string& build_dir);

// Each writes its sheet into the build folder (CR LF line ends), replacing
// an existing one; the page picture is taken from the favorite folder.
Status WriteCalendarCss(const publish::PublishSettings& settings,
                        const std::string& favorite_dir, const std::string& build_dir);
Status WriteSmallCss(const publish::PublishSettings& settings,
                     const std::string& favorite_dir, const std::string& build_dir);
Status WriteListCss(const publish::PublishSettings& settings,
                    const std::string& favorite_dir, const std::string& build_dir);

// All three, in the order above; stops at the first failure.
Status WriteStyleSheets(const publish::PublishSettings& settings,
                        const std::string& favorite_dir, const std::string& build_dir);

}  // namespace almanix::generator
