#include "publish/calendar_url.h"

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>

#include "app/dir.h"
#include "app/file_util.h"
#include "publish/destination_fixture.h"
#include "settings/publish_settings.h"

namespace almanix::publish {
namespace {

using ::testing::Contains;
using testing::DestinationFixture;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::LocalHttpServer;

// ---- Candidates from the settings alone ----

class CalendarUrlTest : public ::testing::Test {
 protected:
  CalendarUrlTest() { window_.Bar_Home2 = std::string(kDefaultLinkBack); }

  PublishSettings settings_;
  PublishWindowState window_;
};

TEST_F(CalendarUrlTest, FtpHostWithPublicHtmlFolderGivesThreeCandidatesInOrder) {
  settings_.SetText("FTP.Host", "ftp.club.example.net");
  settings_.SetText("FTP.Directory", "public_html/calendar/");
  EXPECT_THAT(CandidateAddresses(settings_, window_),
              ElementsAre("http://club.example.net/calendar/Calendar.html",
                          "http://club.example.net/Calendar.html",
                          "http://club.example.net/public_html/calendar/Calendar.html"));
  // The fourth equals the second.
  const std::vector<std::string> all =
      CandidatesFrom("ftp.club.example.net", "public_html/calendar/");
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[3], all[1]);
}

TEST_F(CalendarUrlTest, HostWithoutADotGetsWwwInFront) {
  EXPECT_EQ(CandidateHost("clubserver"), "www.clubserver");
  EXPECT_THAT(CandidatesFrom("clubserver", ""), Contains("http://www.clubserver/Calendar.html"));
}

TEST_F(CalendarUrlTest, HostWithinWwwHomeLosesItsWww) { EXPECT_EQ(CandidateHost("home"), "home"); }

TEST_F(CalendarUrlTest, SchemesAndFtpPrefixGoWhateverTheirCase) {
  EXPECT_EQ(CandidateHost("  FTP://FTP.Club.example.net  "), "Club.example.net");
  EXPECT_EQ(CandidateHost("HTTP://www.club.example.net/"), "www.club.example.net/");
  EXPECT_EQ(CandidateHost("https://www.club.example.net/"), "www.club.example.net/");
}

TEST_F(CalendarUrlTest, PageNameIsDropped) {
  EXPECT_EQ(CandidateHost("http://www.club.example.net/events/index.HTM"),
            "www.club.example.net/events");
}

TEST_F(CalendarUrlTest, EmptySourceGivesNoCandidates) {
  EXPECT_EQ(CandidateHost(""), "");
  EXPECT_THAT(CandidatesFrom("", "calendar/"), IsEmpty());
  EXPECT_THAT(CandidatesFrom("Calendar.html", "calendar/"), IsEmpty());
}

TEST_F(CalendarUrlTest, FolderPartsBeyondTheSecondMakeTheShortPath) {
  EXPECT_THAT(CandidatesFrom("ftp.club.example.net", "www/site/calendar"),
              ElementsAre("http://club.example.net/site/calendar/Calendar.html",
                          "http://club.example.net/calendar/Calendar.html",
                          "http://club.example.net/www/site/calendar/Calendar.html",
                          "http://club.example.net/Calendar.html"));
}

TEST_F(CalendarUrlTest, EmptyFolderGivesTheRootPageOnly) {
  settings_.SetText("FTP.Host", "ftp.club.example.net");
  settings_.SetText("FTP.Directory", "");
  EXPECT_THAT(CandidateAddresses(settings_, window_),
              ElementsAre("http://club.example.net/Calendar.html"));
}

TEST_F(CalendarUrlTest, HomeAddressAddsItsOwnAndItsHostsCandidates) {
  settings_.SetText("FTP.Host", "ftp.club.example.net");
  settings_.SetText("FTP.Directory", "calendar/");
  window_.Bar_Home2 = "http://www.club.example.org/about/index.html";
  EXPECT_THAT(CandidateAddresses(settings_, window_),
              ElementsAre("http://club.example.net/calendar/Calendar.html",
                          "http://club.example.net/Calendar.html",
                          "http://www.club.example.org/about/calendar/Calendar.html",
                          "http://www.club.example.org/about/Calendar.html",
                          "http://www.club.example.org/calendar/Calendar.html",
                          "http://www.club.example.org/Calendar.html"));
}

TEST_F(CalendarUrlTest, HostPartIsBetweenSchemeAndPath) {
  EXPECT_EQ(HostPart("http://www.club.example.org/about/index.html"), "www.club.example.org");
  EXPECT_EQ(HostPart("www.club.example.org"), "www.club.example.org");
}

TEST_F(CalendarUrlTest, AddingKeepsTheListAndFillsOnlyAnEmptyBox) {
  settings_.SetText("FTP.Host", "ftp.club.example.net");
  settings_.SetText("FTP.Directory", "calendar/");
  window_.calendar_url = {"http://club.example.net/Calendar.html"};
  AddCandidateAddresses(settings_, window_);
  EXPECT_THAT(window_.calendar_url, ElementsAre("http://club.example.net/Calendar.html",
                                                "http://club.example.net/calendar/Calendar.html"));
  // The default "http://" counts as empty.
  EXPECT_EQ(settings_.Text("Publish.URL"), "http://club.example.net/Calendar.html");

  settings_.SetText("Publish.URL", "http://mine.example.net/Calendar.html");
  AddCandidateAddresses(settings_, window_);
  EXPECT_EQ(settings_.Text("Publish.URL"), "http://mine.example.net/Calendar.html");
  EXPECT_EQ(window_.calendar_url.size(), 2u);
}

TEST_F(CalendarUrlTest, LeavingTheHostFieldRemovesSchemesAndSlashes) {
  settings_.SetText("FTP.Host", "ftp://ftp.club.example.net/");
  LeaveFtpHost(settings_);
  EXPECT_EQ(settings_.Text("FTP.Host"), "ftp.club.example.net");
  settings_.SetText("FTP.Host", "HTTP://www.club.example.net/site/");
  LeaveFtpHost(settings_);
  EXPECT_EQ(settings_.Text("FTP.Host"), "www.club.example.netsite");
}

TEST_F(CalendarUrlTest, ProblemsTextListsOneWarningALine) {
  EXPECT_EQ(ProblemsText({}), "No Problems Found");
  EXPECT_EQ(ProblemsText({"Warning: a", "Warning: b"}),
            "The following problems were found: \nWarning: a\nWarning: b");
}

TEST_F(CalendarUrlTest, ExplainSaysWhichPageTheAddressNames) {
  const std::string text = ExplainCalendarUrl();
  EXPECT_THAT(text, HasSubstr("always ends in Calendar.html"));
  EXPECT_THAT(text, HasSubstr("not always right"));
  EXPECT_THAT(text, HasSubstr("embed code"));
}

// ---- The window: suggest, validate, Try ----

class CalendarUrlWindowTest : public DestinationFixture {
 protected:
  void SetUp() override {
    DestinationFixture::SetUp();
    settings().SetText("FTP.Host", "ftp.club.example.net");
    settings().SetText("FTP.Directory", "calendar/");
    window().Bar_Home2 = "http://www.club.example.net/";
  }
  // Every warning's condition off.
  void NoProblems() {
    settings().SetBool("RSS.Share", true);
    settings().SetText("Publish.URL", "http://www.club.example.net/calendar/Calendar.html");
    settings().SetText("RSS.URL", "http://www.club.example.net/");
    settings().SetText("RSS.FileURL", "http://www.club.example.net/calendar/rss.xml");
    settings().SetText("Page.Title", "Club events");
    settings().SetBool("Contents.ShowNavMenu", true);
    settings().SetInt("List.Width", 400);
  }
};

TEST_F(CalendarUrlWindowTest, SuggestFillsTheListAndSaysSo) {
  EXPECT_EQ(SuggestCalendarUrls(*editor_), std::string(kSuggestMessage));
  EXPECT_THAT(ui_.messages,
              ElementsAre("I added all possible calendar URL locations to the dropdown "
                          "list...select a URL and click try"));
  EXPECT_EQ(window().calendar_url.front(), "http://club.example.net/calendar/Calendar.html");
  EXPECT_EQ(settings().Text("Publish.URL"), window().calendar_url.front());
}

TEST_F(CalendarUrlWindowTest, ValidateFindsNothingWhenAllIsSet) {
  NoProblems();
  EXPECT_THAT(CheckForProblems(*editor_), IsEmpty());
}

TEST_F(CalendarUrlWindowTest, ValidateGivesAllWarningsInOrder) {
  NoProblems();
  window().Bar_Home2 = std::string(kDefaultLinkBack);
  settings().SetText("RSS.URL", "http://");
  settings().SetText("Page.Title", "");
  settings().SetBool("Contents.ShowNavMenu", false);
  settings().SetInt("List.Width", 399);
  const std::vector<std::string> warnings = CheckForProblems(*editor_);
  EXPECT_THAT(
      warnings,
      ElementsAre(
          "Warning: Change your web site URL, it is still set to the default: "
          "\"https://www.example.org/\"",
          "Warning: RSS information was blank. I auto filled it.",
          "Warning: You may want to have a title above the calendar. You can do this on the "
          "format screen, under \"title and logo\" ",
          "Warning: You are not showing a navigation/tab menu. Tabs allows a user to switch "
          "between months. Make sure that Show Navigation menu is checked on the format "
          "screen, under Toolbar, \"Tab Options\"",
          "Warning: The Event List width may be set to narrow. You can change this on the "
          "format screen under Event List, \"Options\""));
  // The auto fill ran: the feed follows the toolbar address and the calendar.
  EXPECT_EQ(settings().Text("RSS.URL"), std::string(kDefaultLinkBack));
  EXPECT_EQ(settings().Text("RSS.FileURL"), "http://www.club.example.net/calendar/rss.xml");
  EXPECT_THAT(ProblemsText(warnings), HasSubstr("The following problems were found: \n"));
}

TEST_F(CalendarUrlWindowTest, ValidateResetsAFeedAddressThatDoesNotMatch) {
  NoProblems();
  settings().SetText("RSS.FileURL", "http://old.example.net/rss.xml");
  EXPECT_THAT(CheckForProblems(*editor_),
              ElementsAre("Warning: The URL of the rss file did not match up with the URL of "
                          "the calendar. I reset it."));
  EXPECT_EQ(settings().Text("RSS.FileURL"), "http://www.club.example.net/calendar/rss.xml");
}

TEST_F(CalendarUrlWindowTest, ValidateLeavesTheFeedAloneWhenItIsNotShared) {
  NoProblems();
  settings().SetBool("RSS.Share", false);
  settings().SetText("RSS.URL", "");
  settings().SetText("RSS.FileURL", "http://old.example.net/rss.xml");
  EXPECT_THAT(CheckForProblems(*editor_), IsEmpty());
  EXPECT_EQ(settings().Text("RSS.FileURL"), "http://old.example.net/rss.xml");
}

// ---- The page test over real HTTP ----

std::string CalendarPage() {
  return "<html><head><script>\r\nfunction find(a, val){\r\nreturn false;};\r\n</script>"
         "</head><body></body></html>\r\n";
}

class CalendarUrlFetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(site_ + "calendar");
    almanix::testing::WriteAll(site_ + "calendar/Calendar.html", CalendarPage());
    almanix::testing::WriteAll(site_ + "other.html", "<html><body>Hello</body></html>");
    server_ = std::make_unique<LocalHttpServer>(site_);
    ASSERT_TRUE(server_->running());
  }

  almanix::testing::TempRoot root_;
  std::string site_ = root_ / "site/";
  std::unique_ptr<LocalHttpServer> server_;
  CurlPageFetcher fetcher_{CurlPageFetcher::Timeouts{5, 10}};
};

TEST_F(CalendarUrlFetchTest, PageWithTheScriptPasses) {
  Result<std::string> page = fetcher_.Fetch(server_->Url("/calendar/Calendar.html"));
  ASSERT_TRUE(page.ok()) << page.status().message();
  EXPECT_EQ(page.value(), CalendarPage());
  EXPECT_TRUE(PassesPageTest(fetcher_, server_->Url("/calendar/Calendar.html")));
}

TEST_F(CalendarUrlFetchTest, PageWithoutTheScriptFails) {
  EXPECT_TRUE(fetcher_.Fetch(server_->Url("/other.html")).ok());
  EXPECT_FALSE(PassesPageTest(fetcher_, server_->Url("/other.html")));
}

TEST_F(CalendarUrlFetchTest, MissingPageFails) {
  Result<std::string> page = fetcher_.Fetch(server_->Url("/Calendar.html"));
  ASSERT_FALSE(page.ok());
  EXPECT_THAT(page.status().message(), HasSubstr("404"));
  EXPECT_FALSE(PassesPageTest(fetcher_, server_->Url("/Calendar.html")));
}

TEST_F(CalendarUrlFetchTest, RedirectToTheFolderIsFollowed) {
  // The server answers a folder address without "/" with a redirect.
  almanix::testing::WriteAll(site_ + "calendar/index.html", CalendarPage());
  EXPECT_TRUE(PassesPageTest(fetcher_, server_->Url("/calendar")));
}

TEST_F(CalendarUrlFetchTest, RefusedConnectionFails) {
  const std::string url =
      "http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/Calendar.html";
  Result<std::string> page = fetcher_.Fetch(url);
  ASSERT_FALSE(page.ok());
  EXPECT_THAT(page.status().message(), HasSubstr("Could not fetch " + url));
  EXPECT_FALSE(PassesPageTest(fetcher_, url));
}

TEST_F(CalendarUrlFetchTest, ServerThatNeverAnswersTimesOut) {
  // Listening without accepting: the connection is made, no reply comes.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(fd, 4), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
  CurlPageFetcher quick(CurlPageFetcher::Timeouts{1, 1});
  Result<std::string> page =
      quick.Fetch("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/");
  ::close(fd);
  ASSERT_FALSE(page.ok());
  EXPECT_THAT(page.status().message(), HasSubstr("timed out"));
}

TEST_F(CalendarUrlFetchTest, OnlyWebAddressesAreFetched) {
  EXPECT_FALSE(fetcher_.Fetch("file://" + site_ + "calendar/Calendar.html").ok());
}

// ---- Try ----

// The network is down: every fetch fails.
class NoNetwork : public PageFetcher {
 public:
  Result<std::string> Fetch(const std::string& url) override {
    fetched.push_back(url);
    return Status::IoError("Could not fetch " + url + ": Could not resolve host");
  }
  std::vector<std::string> fetched;
};

class CalendarUrlTryTest : public DestinationFixture {};

TEST_F(CalendarUrlTryTest, EmptyAddressTakesTheFirstCandidateThatServesTheCalendar) {
  // The generated calendar, uploaded into public_html/calendar/ of a site.
  Generate();
  const std::string site = root_ / "www/";
  ASSERT_TRUE(TDir::EnsureDir(site + "public_html/calendar/").ok());
  TDir::CopyFolderFiles(Build(), site + "public_html/calendar/");
  LocalHttpServer server(site);
  ASSERT_TRUE(server.running());
  settings().SetText("FTP.Host", "127.0.0.1:" + std::to_string(server.port()));
  settings().SetText("FTP.Directory", "public_html/calendar/");
  settings().SetText("Publish.URL", "http://");
  window().calendar_url = {"http://unrelated.example.net/Calendar.html"};

  CurlPageFetcher fetcher(CurlPageFetcher::Timeouts{5, 10});
  ASSERT_TRUE(TryCalendarUrl(*editor_, fetcher).ok());
  const std::string found = server.Url("/public_html/calendar/Calendar.html");
  EXPECT_EQ(settings().Text("Publish.URL"), found);
  EXPECT_THAT(window().calendar_url,
              ElementsAre("http://unrelated.example.net/Calendar.html", found));
  EXPECT_THAT(Opened(), ElementsAre(found));
  EXPECT_THAT(ui_.messages, IsEmpty());
}

TEST_F(CalendarUrlTryTest, FilledAddressIsOpenedWithoutATest) {
  settings().SetText("Publish.URL", "http://www.club.example.net/cal/Calendar.html");
  NoNetwork network;
  ASSERT_TRUE(TryCalendarUrl(*editor_, network).ok());
  EXPECT_THAT(network.fetched, IsEmpty());
  EXPECT_THAT(Opened(), ElementsAre("http://www.club.example.net/cal/Calendar.html"));
}

TEST_F(CalendarUrlTryTest, NoNetworkLeavesTheAddressEmptyAndOpensNothing) {
  settings().SetText("FTP.Host", "ftp.club.example.net");
  settings().SetText("FTP.Directory", "public_html/calendar/");
  settings().SetText("Publish.URL", "");
  NoNetwork network;
  Status s = TryCalendarUrl(*editor_, network);
  EXPECT_EQ(s.code(), Status::Code::kNotFound);
  // Each distinct candidate was tried once.
  EXPECT_EQ(network.fetched.size(), 3u);
  EXPECT_EQ(settings().Text("Publish.URL"), "");
  EXPECT_THAT(window().calendar_url, IsEmpty());
  EXPECT_THAT(Opened(), IsEmpty());
  EXPECT_THAT(ui_.messages, ElementsAre(std::string(kNoCalendarFoundMessage)));
}

}  // namespace
}  // namespace almanix::publish
