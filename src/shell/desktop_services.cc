#include "shell/desktop_services.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/dir.h"
#include "app/file_util.h"
#include "app/ui_seam.h"
#include "platform/print_route.h"
#include "platform/value_store.h"

namespace almanix::shell {
namespace {

constexpr int kLoadTimeoutMs = 30000;
constexpr int kPrintTimeoutMs = 120000;

// Runs a local loop until done() is called or the time is up; true when done.
class Waiter {
 public:
  explicit Waiter(int timeout_ms) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &loop_, [this] { loop_.exit(1); });
    timer_.start(timeout_ms);
  }
  void done() {
    finished_ = true;
    loop_.exit(0);
  }
  bool Wait() {
    if (!finished_) loop_.exec();
    return finished_;
  }

 private:
  QEventLoop loop_;
  QTimer timer_;
  bool finished_ = false;
};

// Loads the address into the view; Ok when the page loaded.
Status Load(QWebEngineView& view, const QUrl& url) {
  Waiter waiter(kLoadTimeoutMs);
  bool loaded = false;
  QObject::connect(&view, &QWebEngineView::loadFinished, &view, [&](bool ok) {
    loaded = ok;
    waiter.done();
  });
  view.load(url);
  if (!waiter.Wait()) {
    return Status::IoError("The page did not load within 30 seconds: " +
                           url.toDisplayString().toStdString());
  }
  if (!loaded) {
    return Status::IoError("The page could not be loaded: " + url.toDisplayString().toStdString());
  }
  return Status::Ok();
}

QPageLayout A4Layout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                     QPageLayout::Millimeter);
}

void EnsureFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
}

}  // namespace

QtPagePrinter::QtPagePrinter(UiSeam& ui, std::string pdf_dir, QWidget* parent)
    : ui_(ui), pdf_dir_(std::move(pdf_dir)), parent_(parent) {}

Status QtPagePrinter::WritePageSetup(const platform::PageSetup& setup) {
  setup_ = setup;
  return Status::Ok();
}

Status QtPagePrinter::PrintPage(const std::string& file, bool choose_printer) {
  const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
  const bool has_default = !QPrinterInfo::defaultPrinter().isNull();
  const platform::PrintRoute route =
      platform::ChoosePrintRoute(!printers.isEmpty(), has_default, choose_printer, may_ask_);

  QWebEngineView view;
  view.resize(1024, 768);
  if (Status loaded = Load(view, QUrl::fromLocalFile(QString::fromStdString(file)));
      !loaded.ok()) {
    return Status::IoError(platform::PrintFailedMessage(file, loaded.message()));
  }

  if (route == platform::PrintRoute::kPdf) {
    EnsureFolder(pdf_dir_);
    const std::string pdf = platform::PdfPathFor(pdf_dir_, file);
    Waiter waiter(kPrintTimeoutMs);
    bool written = false;
    QObject::connect(view.page(), &QWebEnginePage::pdfPrintingFinished, &view,
                     [&](const QString&, bool success) {
                       written = success;
                       waiter.done();
                     });
    view.page()->printToPdf(QString::fromStdString(pdf), A4Layout());
    if (!waiter.Wait() || !written || !FileExists(pdf)) {
      return Status::IoError(
          platform::PrintFailedMessage(file, "the PDF file " + pdf + " could not be written"));
    }
    pdf_files_.push_back(pdf);
    ui_.ShowMessage(platform::PrintedToPdfMessage(pdf), MessageKind::kInformation);
    return Status::Ok();
  }

  QPrinter printer(QPrinter::HighResolution);
  printer.setPageLayout(A4Layout());
  if (route == platform::PrintRoute::kAskPrinter) {
    QPrintDialog dialog(&printer, parent_);
    dialog.setWindowTitle(QStringLiteral("Print"));
    if (dialog.exec() != QDialog::Accepted) return Status::Cancelled("printing was cancelled");
  }
  Waiter waiter(kPrintTimeoutMs);
  bool printed = false;
  QObject::connect(&view, &QWebEngineView::printFinished, &view, [&](bool success) {
    printed = success;
    waiter.done();
  });
  view.print(&printer);
  if (!waiter.Wait() || !printed) {
    return Status::IoError(platform::PrintFailedMessage(
        file, "the printer " + printer.printerName().toStdString() + " did not take it"));
  }
  // "Print to File" in the dialog: the person is told where it went.
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
    const std::string pdf = printer.outputFileName().toStdString();
    pdf_files_.push_back(pdf);
    ui_.ShowMessage("The calendar was printed to the PDF file " + pdf, MessageKind::kInformation);
  }
  return Status::Ok();
}

Result<platform::PictureSize> QtPageCapturer::ScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return Status::NotFound("There is no screen to take the wallpaper's size from.");
  const QSize size = screen->size();
  return platform::PictureSize{size.width(), size.height()};
}

Status QtPageCapturer::Capture(std::string_view url, const std::string& picture_path,
                               platform::PictureSize size) {
  if (size.width <= 0 || size.height <= 0) return Status::Invalid("The screen has no size.");
  QWebEngineView view;
  // Drawn but never put on the screen: the person's windows stay as they are.
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
  view.resize(size.width, size.height);
  view.show();
  // A file address is made from the path, so that "#", "?" or "%" in a
  // folder name stay part of it.
  const QString address = QString::fromUtf8(url.data(), qsizetype(url.size()));
  const QUrl page = address.startsWith(QStringLiteral("file://"))
                        ? QUrl::fromLocalFile(address.mid(7))
                        : QUrl(address);
  if (Status loaded = Load(view, page); !loaded.ok()) {
    return loaded;
  }
  // Scripts and pictures of the page finish after the load.
  Waiter settle(settle_ms_);
  settle.Wait();
  const QImage picture = view.grab().toImage();
  if (picture.isNull() || !picture.save(QString::fromStdString(picture_path))) {
    return Status::IoError("The picture of the calendar could not be saved as " + picture_path);
  }
  return Status::Ok();
}

DesktopServiceSet::DesktopServiceSet(UiSeam& ui, const TDir& dir, QWidget* parent)
    : keep_dir_(WithTrailingSlash(dir.UserDataDir) + "Wallpaper/"),
      store_path_(platform::ValueStorePath(dir.ConfigHomeDir)),
      printer_(ui, WithTrailingSlash(dir.UserDataDir) + "Printed/", parent),
      start_page_(&ui, store_path_) {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  wallpaper_ = std::make_unique<platform::DesktopWallpaper>(runner_, desktop ? desktop : "",
                                                            keep_dir_, store_path_);
}

DesktopServiceSet::~DesktopServiceSet() = default;

publish::DesktopServices DesktopServiceSet::services() {
  return {&printer_, &start_page_, &capturer_, wallpaper_.get()};
}

void DesktopServiceSet::UseWallpaperRunner(platform::CommandRunner& runner,
                                           const std::string& desktop) {
  wallpaper_ =
      std::make_unique<platform::DesktopWallpaper>(runner, desktop, keep_dir_, store_path_);
}

}  // namespace almanix::shell
