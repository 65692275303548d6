#pragma once

class QString;
class QWebEngineView;

namespace almanix::shell {

// Shows a page of the build folder: loaded when the view shows another
// address, reloaded when it shows this one already, so a regenerated page
// is never the cached copy.
void ShowLocalPage(QWebEngineView* view, const QString& path);

}  // namespace almanix::shell
