#pragma once

#include <string>

#include "desktop/event_files.h"

class QImage;
class QString;

namespace almanix::shell {

// The icon drawn at drawn_at pixels on white, scaled to size when the two
// differ; a null image when the file gives no picture.
QImage RenderIconImage(const QString& icon_file, int drawn_at, int size);

// The editor's picture work with Qt's image codecs: photos scaled onto
// their canvas, icons drawn on white, both saved as progressive JPEG.
class QtPictureWorks : public desktop::PictureWorks {
 public:
  Status ScaleJpegTo(const std::string& from, const std::string& to, int width,
                     int height) override;
  Status RenderIcon(const std::string& from, int drawn_at, int size,
                    const std::string& to_jpeg) override;
};

}  // namespace almanix::shell
