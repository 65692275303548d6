// almanix: the desktop program. One instance per user (per root): a second
// start raises the first window and ends.
#include <QApplication>
#include <QIcon>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSplashScreen>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/config.h"
#include "app/dir.h"
#include "desktop/file_menu.h"
#include "desktop/main_grid.h"
#include "desktop/publish_handover.h"
#include "desktop/program_line.h"
#include "platform/instance_lock.h"
#include "platform/places.h"
#include "program/program.h"
#include "shell/main_window.h"
#include "shell/qt_ui.h"
#include "shell/republish_window.h"
#include "shell/small_windows.h"

namespace {

struct GuiArguments {
  std::string root;
  std::vector<std::string> program_args;  // FILE.cal [FILE.csv] [-p]
  bool version = false;
  bool help = false;
  std::string error;
};

GuiArguments Parse(const QStringList& args) {
  GuiArguments out;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const std::string a = args[i].toStdString();
    if (a == "--root") {
      if (i + 1 >= args.size()) {
        out.error = "--root needs a folder";
        return out;
      }
      out.root = args[++i].toStdString();
    } else if (a.rfind("--root=", 0) == 0) {
      out.root = a.substr(7);
    } else if (a == "--version") {
      out.version = true;
    } else if (a == "--help" || a == "-h") {
      out.help = true;
    } else if (a.rfind("--", 0) == 0) {
      out.error = "unknown option " + a;
      return out;
    } else {
      // The running program keeps the file's name; it works in other folders.
      std::string bare = a;
      std::erase(bare, '"');
      const bool path = bare != "-p" && bare != "-P" && !bare.empty();
      out.program_args.push_back(path ? std::filesystem::absolute(bare).string() : a);
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Web Almanix"));
  QApplication::setDesktopFileName(QStringLiteral("almanix"));
  GuiArguments args = Parse(QApplication::arguments());
  if (!args.error.empty()) {
    std::fprintf(stderr, "almanix: %s\nusage: almanix [--root DIR] [FILE.cal [FILE.csv] [-p]]\n",
                 args.error.c_str());
    return 2;
  }
  if (args.help) {
    std::printf("usage: almanix [--root DIR] [FILE.cal [FILE.csv] [-p]]\n");
    return 0;
  }
  if (args.version) {
    std::printf("almanix %s\n", almanix::ProgramVersion().c_str());
    return 0;
  }

  const almanix::platform::Places places = almanix::platform::ResolvePlaces(args.root);
  almanix::platform::InstanceLock lock(places.runtime);
  const QString socket_path = QString::fromStdString(places.runtime + "AlmanixMutex.socket");
  if (!lock.TryAcquire()) {
    QLocalSocket socket;
    socket.connectToServer(socket_path);
    if (socket.waitForConnected(2000)) {
      socket.write("raise\n");
      socket.waitForBytesWritten(2000);
      socket.disconnectFromServer();
    }
    // One program works on one calendar: the running one keeps its own.
    if (!args.program_args.empty()) {
      std::fprintf(stderr,
                   "almanix: Web Almanix is already running; its window was brought to the "
                   "front and %s was not opened\n",
                   args.program_args.front().c_str());
      return 1;
    }
    return 0;
  }
  QLocalServer::removeServer(socket_path);
  QLocalServer server;
  server.listen(socket_path);

  almanix::shell::QtUi ui;
  // An import or "-p" runs without a person: nothing may wait for a click.
  ui.set_batch(almanix::desktop::ProgramLineEnds(args.program_args));
  almanix::Program program(ui);
  almanix::shell::TfrmMain* window = nullptr;
  QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
    while (QLocalSocket* peer = server.nextPendingConnection()) {
      QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
      if (window) window->BringToFront();
    }
  });

  almanix::Program::Options options;
  options.root = args.root;
  options.executable = almanix::platform::ExecutableDir() + "almanix";
  // While a calendar file is open here, almanix-cli and other windows wait.
  options.calendar_lock_wait = std::chrono::seconds(2);
  // The start-up sequence runs on the first tick, once the loop runs.
  QTimer::singleShot(0, [&] {
    // Shown while the tables and the grid load; gone once the window shows.
    std::unique_ptr<QSplashScreen> splash =
        almanix::shell::ShowSplash(QString::fromStdString(almanix::ProgramVersion()));
    // No busy cursor here: a first start asks the calendar type.
    almanix::Status started = program.Start(options);
    if (!program.app.dir || !program.app.config) {
      splash->close();
      ui.ShowMessage("almanix: the program could not start: " + started.message(),
                     almanix::MessageKind::kError);
      QApplication::exit(1);
      return;
    }
    window = new almanix::shell::TfrmMain(program, ui);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, [&window] { window = nullptr; });
    splash->showMessage(QStringLiteral("Loading the grid ..."), Qt::AlignBottom | Qt::AlignHCenter);
    window->StartUp();
    if (program.app.config->AutoSizeGrid) {
      window->showMaximized();
    } else {
      window->show();
    }
    splash->finish(window);
    // What a scheduled publish could not do while the program was closed.
    almanix::shell::ShowScheduledRunFailures(program.app, ui);
    if (!args.program_args.empty()) {
      almanix::desktop::ProgramLineRun run = almanix::desktop::RunProgramLine(
          program, window->file_menu(), window->grid().CategoryNumber(), args.program_args,
          std::time(nullptr), window->handover().desktop_services());
      window->Refresh();
      if (run.ends) {
        // As the Exit command, without the save question.
        window->Exit(false);
        QApplication::exit(run.status.ok() ? 0 : 1);
      }
    }
  });
  const int code = QApplication::exec();
  // The window holds on to the program's tables: it goes first.
  delete window;
  return code;
}
