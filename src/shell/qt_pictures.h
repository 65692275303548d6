#pragma once

#include <string>

#include "desktop/event_files.h"

namespace almanix::shell {

// The editor's picture work with Qt's image codecs: photos scaled onto
// their canvas, icons drawn on white, both saved as progressive JPEG.
class QtPictureWorks : public desktop::PictureWorks {
 public:
  Status ScaleJpegTo(const std::string& from, const std::string& to, int width,
                     int height) override;
  Status RenderIcon(const std::string& from, int size, const std::string& to_jpeg) override;
};

}  // namespace almanix::shell
