#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/status.h"

namespace almanix {
class UiSeam;
namespace publish {
class PublishSettings;
struct PublishWindowState;
}  // namespace publish
}  // namespace almanix

// The pages that show how to put the calendar into another site: Link.html,
// frame.html, object.html and the pasted page; the code of "Get Embed Code";
// the paste method's copy of the person's own page (embed.html).
namespace almanix::generator {

struct RunContext;

inline constexpr std::string_view kNoEmbedMethodMessage =
    "No Embed Method selected!   You can embed the calendar in a frame or as an object. You "
    "must select which way to format the calendar on the Format, Embed screen.";
inline constexpr std::string_view kEmbedCodeWindowTitle = "How to Link to the Calendar";
inline constexpr std::string_view kCurrentMonthLabel = "Always links to the current month: ";
inline constexpr std::string_view kNoLocalCopyMessage =
    "No local copy of the page embed.html found. Nothing to paste into";
// The person's page in the favorite folder.
inline constexpr std::string_view kEmbedPageName = "embed.html";

class TLink {
 public:
  explicit TLink(const RunContext& run) : run_(run) {}
  // frame.html when chkIframe is ticked, object.html when chkObject is
  // ticked; with chkPaste ticked and Page.Embed on, the first month page of
  // the run copied under the file name that ends Page.EmbedLink (nothing
  // when the address names no file). Returns the first failure; the other
  // files are still written.
  Status Generate(const std::string& output);
  // Link.html: link entries, popup and frame codes for the large and small
  // calendar, the event list, the year page and the scroller.
  Status WriteLinkPage(const std::string& path);

  // The page texts, each line without its line end.
  std::vector<std::string> LinkPageLines() const;
  std::vector<std::string> FramePageLines() const;
  std::vector<std::string> ObjectPageLines() const;

 private:
  const RunContext& run_;
};

// ---- Sizes and addresses (from the publish settings) ----

// " HEIGHT=\"H\" WIDTH=\"X\" " from Page.CalendarWidth W and its unit: "px"
// gives X = W, H = 2 W; "%" gives X = W + "%", H = 1400.
std::string FrameSize(const publish::PublishSettings& settings);
// " style=\"width:" + W + unit in lower case + ";height:1400px;\" ".
std::string ObjectSize(const publish::PublishSettings& settings);

struct PopupSize {
  int width = 0;
  int height = 0;
};
// The popup window for a calendar width (whatever its unit): 400 x 500 for
// 101..300, W + 20 x W + 300 for 301..800, 960 x 700 otherwise.
PopupSize PopupWindowSize(int calendar_width);

// Publish.URL trimmed; empty when it is blank or only "http://" or
// "https://" (the field's default), since no page lives there.
std::string CalendarUrl(const publish::PublishSettings& settings);
// The address of a page file F for the link entries: the calendar address
// with every "Calendar.html" (matching case) replaced by F; F itself when
// there is no address.
std::string PageAddress(const publish::PublishSettings& settings, std::string_view file);
// The same for the frame codes: only the first "Calendar.html", any case.
std::string FramePageAddress(const publish::PublishSettings& settings, std::string_view file);

// ---- "Get Embed Code" and its window "How to Link to the Calendar" ----

enum class EmbedMethod { kFrame, kObject };

// What the window opens on.
struct EmbedCodeWindow {
  EmbedMethod method = EmbedMethod::kFrame;  // the code shown first
  // The folder addresses to choose from (the address list without
  // "Calendar.html"); the first is selected.
  std::vector<std::string> addresses;
};

// Fills an empty Publish.URL from the candidate calendar addresses that pass
// the page test, adding those to the address list. Supplied by the
// publishing side.
using CalendarUrlFill = std::function<void(publish::PublishSettings& settings,
                                           std::vector<std::string>& calendar_urls)>;

// "Get Embed Code": with no calendar address, first runs fill (when set);
// then the window for the object method (chkObject) or else the frame
// method (chkIframe). With neither, shows kNoEmbedMethodMessage and returns
// nullopt. calendar_urls is the list of the address box.
std::optional<EmbedCodeWindow> GetEmbedCode(publish::PublishSettings& settings,
                                            const publish::PublishWindowState& window,
                                            std::vector<std::string>& calendar_urls, UiSeam* ui,
                                            const CalendarUrlFill& fill = {});

struct DirectLink {
  std::string label;  // kCurrentMonthLabel for the first, else empty
  std::string address;
};
// The texts the window shows for the selected folder address A (which ends
// in "/" or is empty).
struct EmbedCodeTexts {
  // A + "Calendar.html", A + "FirstMonth.html", A + "LastMonth.html".
  std::vector<DirectLink> links;
  std::vector<std::string> frame_code;
  std::vector<std::string> object_code;
};
EmbedCodeTexts EmbedCodeFor(const publish::PublishSettings& settings,
                            std::string_view folder_address);

// The object code of a page P; space_before_size puts a blank between the
// data value and the size text (as object.html has it for Calendar.html).
std::vector<std::string> ObjectCode(std::string_view page, std::string_view size,
                                    bool space_before_size);

// ---- The paste method ----

// The file name at the end of an address ("http://x.org/a/page.html" gives
// "page.html"); empty when the address names a folder or only a host.
std::string EmbedLinkFileName(std::string_view address);
// The page's HTML with its relative src, href and background references made
// absolute against the folder of the address it was loaded from.
// References that already name a scheme (http:, https:, mailto:, ...), a
// "//" host or only a "#" fragment are kept; "/path" goes to the site's
// root. A "file://" address leaves the page as it is.
std::string AbsoluteReferences(std::string_view html, std::string_view address);

// Loads an address into a browser view and returns its HTML source; nullopt
// when the page could not be loaded.
using PageLoader = std::function<std::optional<std::string>(const std::string& address)>;

// "Paste": asks before replacing an existing favorite_dir + embed.html
// (No cancels), loads Page.EmbedLink and saves it there with its references
// made absolute ("Page not foud : ..." when it does not load), checks the
// copy for Page.EmbedKeyword, and turns Page.Embed on. Returns the load's
// or the save's failure, or Cancelled.
Status PasteEmbedPage(publish::PublishSettings& settings, const std::string& favorite_dir,
                      UiSeam* ui, const PageLoader& load);

}  // namespace almanix::generator
