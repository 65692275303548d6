#include "shell/local_page.h"

#include <QString>
#include <QUrl>
#include <QWebEngineView>

namespace almanix::shell {

void ShowLocalPage(QWebEngineView* view, const QString& path) {
  const QUrl url = QUrl::fromLocalFile(path);
  if (view->url() == url) {
    view->reload();
  } else {
    view->setUrl(url);
  }
}

}  // namespace almanix::shell
