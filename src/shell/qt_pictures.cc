#include "shell/qt_pictures.h"

#include <QIcon>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPixmap>

namespace almanix::shell {

namespace {

Status SaveJpeg(const QImage& image, const std::string& to) {
  QImageWriter writer(QString::fromStdString(to), "jpeg");
  writer.setQuality(100);
  writer.setProgressiveScanWrite(true);
  if (!writer.write(image)) {
    return Status::IoError("could not write " + to + " (" + writer.errorString().toStdString() +
                           ")");
  }
  return Status::Ok();
}

}  // namespace

QImage RenderIconImage(const QString& icon_file, int drawn_at, int size) {
  QPixmap pixmap = QIcon(icon_file).pixmap(drawn_at, drawn_at);
  if (pixmap.isNull()) return {};
  QImage canvas(drawn_at, drawn_at, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.drawPixmap(0, 0, pixmap);
  painter.end();
  if (drawn_at == size) return canvas;
  return canvas.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

Status QtPictureWorks::ScaleJpegTo(const std::string& from, const std::string& to, int width,
                                   int height) {
  QImage source(QString::fromStdString(from));
  if (source.isNull()) return Status::Invalid("could not read the picture " + from);
  QImage canvas(width, height, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QImage scaled = source.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  QPainter painter(&canvas);
  painter.drawImage((width - scaled.width()) / 2, (height - scaled.height()) / 2, scaled);
  painter.end();
  return SaveJpeg(canvas, to);
}

Status QtPictureWorks::RenderIcon(const std::string& from, int drawn_at, int size,
                                  const std::string& to_jpeg) {
  QImage drawn = RenderIconImage(QString::fromStdString(from), drawn_at, size);
  if (drawn.isNull()) return Status::Invalid("Could not convert icon 16");
  return SaveJpeg(drawn, to_jpeg);
}

}  // namespace almanix::shell
